// Single byte ranges for the streamed audition: media elements ask for "bytes=N-" and
// expect 206 with Content-Range. Multi-range and malformed headers get the whole body.

export type ByteRange = { start: number; end: number } | "unsatisfiable" | undefined;

/** Inclusive [start, end] of a body of `size` bytes; undefined means "answer in full". */
export function parseByteRange(header: string | undefined, size: number): ByteRange {
  const match = /^bytes=(\d*)-(\d*)$/.exec(header?.trim() ?? "");
  if (!match || (match[1] === "" && match[2] === "")) return undefined;
  if (match[1] === "") {
    const suffix = Number(match[2]);
    if (suffix === 0 || size === 0) return "unsatisfiable";
    return { start: Math.max(0, size - suffix), end: size - 1 };
  }
  const start = Number(match[1]);
  const end = match[2] === "" ? size - 1 : Math.min(Number(match[2]), size - 1);
  if (start >= size || end < start) return "unsatisfiable";
  return { start, end };
}
