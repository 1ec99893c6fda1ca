import { describe, expect, it } from "vitest";
import { parseByteRange } from "./range.ts";
import { MAX_RELEASES, releaseLimit, resolveRoute } from "./routes.ts";

const index = {
  routes: {
    "releases/227": { file: "releases/227.json", type: "application/json" },
    "assets/5007/preview-audio": { file: "previews/5007.mp3", type: "audio/mpeg" },
    "plugin/oneshots/audio/backbeat-essentials/kick/Kick 01 Felt.wav": { file: "oneshots/x/1.wav", type: "audio/wav" },
  },
};

describe("resolveRoute", () => {
  it.each([
    ["/releases/227", "releases/227.json"],
    ["/releases/227/", "releases/227.json"],
    ["//assets/5007/preview-audio", "previews/5007.mp3"], // base ending in "/" joined with "/assets/"
    ["/assets/5007/preview-audio?t=1", "previews/5007.mp3"],
    ["/plugin/oneshots/audio/backbeat-essentials/kick/Kick%2001%20Felt.wav", "oneshots/x/1.wav"],
    ["/plugin/oneshots/audio/backbeat-essentials/kick/Kick 01 Felt.wav", "oneshots/x/1.wav"],
  ])("answers %s from %s", (target, file) => {
    expect(resolveRoute(target, index)).toMatchObject({ kind: "file", file });
  });

  it.each([
    "/",
    "/releases/228",
    "/Releases/227",
    "/assets/5007",
    "/assets/5007/preview-audio/extra",
    "/plugin/oneshots/audio/%E0%A4%A", // malformed escape
    "/releases/../releases/227",
    "/constructor",
    "/__proto__",
    `/releases/${"9".repeat(5000)}`,
  ])("answers %s with not found", (target) => {
    expect(resolveRoute(target, index)).toEqual({ kind: "not-found" });
  });

  it("answers the release list with its limit", () => {
    expect(resolveRoute("/releases?limit=200", index)).toEqual({ kind: "releases", limit: 200 });
    expect(resolveRoute("/releases", index)).toEqual({ kind: "releases", limit: MAX_RELEASES });
  });
});

describe("releaseLimit", () => {
  it.each([
    ["limit=200", 200],
    ["limit=3", 3],
    ["limit=0", 0],
    ["limit=5000", 200],
    ["limit=-1", 200],
    ["limit=abc", 200],
    ["limit=1e3", 200],
    ["limit=", 200],
    ["limit=99999999999999999999", 200],
    ["", 200],
  ])("%s gives %i", (query, limit) => {
    expect(releaseLimit(new URLSearchParams(query))).toBe(limit);
  });
});

describe("parseByteRange", () => {
  it.each([
    [undefined, 100, undefined],
    ["bytes=0-", 100, { start: 0, end: 99 }],
    ["bytes=10-19", 100, { start: 10, end: 19 }],
    ["bytes=90-500", 100, { start: 90, end: 99 }],
    ["bytes=-10", 100, { start: 90, end: 99 }],
    ["bytes=-500", 100, { start: 0, end: 99 }],
    ["bytes=100-", 100, "unsatisfiable"],
    ["bytes=20-10", 100, "unsatisfiable"],
    ["bytes=-0", 100, "unsatisfiable"],
    ["bytes=0-1,5-6", 100, undefined],
    ["items=0-1", 100, undefined],
    ["bytes=-", 100, undefined],
  ] as const)("%s of %i bytes", (header, size, expected) => {
    expect(parseByteRange(header, size)).toEqual(expected);
  });
});
