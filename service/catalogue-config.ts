// The maker's catalogue configuration: which packs the library shows first and last, the
// product-series words its exclusion pattern hides, and the five packs offered as kits.
// The page reads the same values, so the local catalogue exercises each of them.

/** Pack slugs shown first in the library, in this order. */
export const CURATED_FIRST_SLUGS = [
  "pocket-funk-vol-2",
  "backbeat-essentials",
  "brushwork-sessions",
  "ghost-note-grooves",
  "dusty-shuffle",
] as const;

/** Pack slugs shown last in the library, in this order. */
export const CURATED_LAST_SLUGS = ["late-night-lo-fi", "stadium-rock-stomps"] as const;

/** Names of the service's product series that are not loop packs. */
export const PRODUCT_SERIES_WORDS = ["stemkit", "kitforge"] as const;

/** The only release genre the library lists. */
export const LIBRARY_GENRE = "Loops and Samples";

/** Catalogue kits in selector order; the first is the default kit. */
export const CATALOGUE_KITS = [
  { slug: "backbeat-essentials", label: "Marla Quinn" },
  { slug: "pocket-funk-vol-2", label: "Dez Okafor" },
  { slug: "brushwork-sessions", label: "Teo Halvorsen" },
  { slug: "ghost-note-grooves", label: "June Sato" },
  { slug: "stadium-rock-stomps", label: "Rory Blake" },
] as const;
