// The product logo: a three-bar lane emblem in gold beside the "VANDERY" word mark,
// drawn from a 5×7 pixel font, on a transparent ground.
// Light on transparent, so the cool-light theme's inversion filter turns it dark.

import { encodePng } from "../synth/index.ts";

const GLYPHS: Record<string, readonly string[]> = {
  V: ["X...X", "X...X", "X...X", "X...X", "X...X", ".X.X.", "..X.."],
  A: [".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"],
  N: ["X...X", "XX..X", "X.X.X", "X..XX", "X...X", "X...X", "X...X"],
  D: ["XXXX.", "X...X", "X...X", "X...X", "X...X", "X...X", "XXXX."],
  E: ["XXXXX", "X....", "X....", "XXXX.", "X....", "X....", "XXXXX"],
  R: ["XXXX.", "X...X", "X...X", "XXXX.", "X.X..", "X..X.", "X...X"],
  Y: ["X...X", "X...X", ".X.X.", "..X..", "..X..", "..X..", "..X.."],
};

const WORD = "VANDERY";
const CELL = 8;
const MARGIN = 4;
const LETTER_GAP = CELL;
const EMBLEM_BAR_WIDTH = CELL;
const EMBLEM_BAR_GAP = 6;
const EMBLEM_HEIGHTS = [0.45, 1, 0.7]; // kick, snare, hat lanes
const EMBLEM_TO_WORD = 2 * CELL;
const SUPERSAMPLE = 4;

type Rgb = readonly [number, number, number];
const GOLD: Rgb = [0xe0, 0xa4, 0x3b];
const TEXT: Rgb = [0xed, 0xe6, 0xda];

interface Shape {
  x: number;
  y: number;
  width: number;
  height: number;
  radius: number;
  colour: Rgb;
}

function insideRoundedRect(px: number, py: number, s: Shape): boolean {
  if (px < s.x || py < s.y || px >= s.x + s.width || py >= s.y + s.height) return false;
  const dx = Math.max(s.x + s.radius - px, 0, px - (s.x + s.width - s.radius));
  const dy = Math.max(s.y + s.radius - py, 0, py - (s.y + s.height - s.radius));
  return dx * dx + dy * dy <= s.radius * s.radius;
}

function logoShapes(): { shapes: Shape[]; width: number; height: number } {
  const glyphHeight = 7 * CELL;
  const shapes: Shape[] = [];
  EMBLEM_HEIGHTS.forEach((fraction, index) => {
    const height = Math.round(glyphHeight * fraction);
    shapes.push({
      x: MARGIN + index * (EMBLEM_BAR_WIDTH + EMBLEM_BAR_GAP),
      y: MARGIN + glyphHeight - height,
      width: EMBLEM_BAR_WIDTH,
      height,
      radius: 2,
      colour: GOLD,
    });
  });
  let x = MARGIN + EMBLEM_HEIGHTS.length * EMBLEM_BAR_WIDTH + (EMBLEM_HEIGHTS.length - 1) * EMBLEM_BAR_GAP + EMBLEM_TO_WORD;
  for (const letter of WORD) {
    GLYPHS[letter].forEach((row, rowIndex) => {
      [...row].forEach((cell, column) => {
        if (cell === "X") shapes.push({ x: x + column * CELL, y: MARGIN + rowIndex * CELL, width: CELL, height: CELL, radius: 0, colour: TEXT });
      });
    });
    x += 5 * CELL + LETTER_GAP;
  }
  return { shapes, width: x - LETTER_GAP + MARGIN, height: glyphHeight + 2 * MARGIN };
}

/** Straight-alpha RGBA pixels of the logo, with anti-aliased edges. */
export function renderLogoPixels(): { width: number; height: number; rgba: Uint8Array } {
  const { shapes, width, height } = logoShapes();
  const rgba = new Uint8Array(width * height * 4);
  const samples = SUPERSAMPLE * SUPERSAMPLE;
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const nearby = shapes.filter((s) => x + 1 > s.x && x < s.x + s.width && y + 1 > s.y && y < s.y + s.height);
      if (nearby.length === 0) continue;
      let covered = 0;
      let colour = nearby[0].colour;
      for (let sy = 0; sy < SUPERSAMPLE; sy++) {
        for (let sx = 0; sx < SUPERSAMPLE; sx++) {
          const hit = nearby.find((s) => insideRoundedRect(x + (sx + 0.5) / SUPERSAMPLE, y + (sy + 0.5) / SUPERSAMPLE, s));
          if (hit) {
            covered++;
            colour = hit.colour;
          }
        }
      }
      const offset = (y * width + x) * 4;
      rgba.set([colour[0], colour[1], colour[2], Math.round((255 * covered) / samples)], offset);
    }
  }
  return { width, height, rgba };
}

export function renderLogoPng(): Uint8Array {
  const { width, height, rgba } = renderLogoPixels();
  return encodePng(width, height, rgba);
}
