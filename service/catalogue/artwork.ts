// Pack artwork: a square SVG per release, coloured from its slug, with the title's initials.

import { deriveSeed } from "../../tools/synth/rng.ts";

const escapeXml = (text: string) =>
  text.replace(/[&<>"']/g, (c) => ({ "&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;", "'": "&apos;" })[c] ?? c);

export function artworkSvg(slug: string, title: string): string {
  const hue = deriveSeed(0, slug) % 360;
  const initials = title
    .split(/\s+/)
    .filter((word) => /^[A-Za-z]/.test(word))
    .slice(0, 2)
    .map((word) => word[0].toUpperCase())
    .join("");
  return [
    `<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 160 160" width="160" height="160">`,
    `<rect width="160" height="160" fill="hsl(${hue},45%,22%)"/>`,
    `<circle cx="80" cy="80" r="58" fill="none" stroke="hsl(${(hue + 40) % 360},70%,60%)" stroke-width="6"/>`,
    `<text x="80" y="96" font-family="sans-serif" font-size="44" font-weight="700" text-anchor="middle" fill="#f3e6c8">${escapeXml(initials)}</text>`,
    `</svg>`,
  ].join("");
}
