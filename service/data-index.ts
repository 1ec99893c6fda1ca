// The index the generator writes next to the catalogue's files and the server reads.

export const INDEX_FILE = "index.json";

export interface DataIndex {
  /** Hash of the sources, base address and encoder the files were made from. */
  inputsHash: string;
  base: string;
  /** The full release list; the server cuts it to the requested limit. */
  releasesFile: string;
  /** Request path below the base (decoded) → file in the data folder and its MIME type. */
  routes: Record<string, { file: string; type: string }>;
}
