/**
 * The shortest decimal that reads back as the same double: integers without a
 * point, values below 0.000001 as mantissa "e-" exponent (2.5e-7). This is
 * exactly how JavaScript writes numbers; −0 is written as 0.
 */
export function formatShortestNumber(value: number): string {
  return Object.is(value, -0) ? "0" : String(value);
}
