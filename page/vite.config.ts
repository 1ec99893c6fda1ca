// Production build of the page: plugin.html, one script, one style sheet and the fonts, flat
// in build/page. The native resource server looks embedded files up by their last path
// segment, so every emitted name is flat and unique, and URLs are relative to the page.

import { fileURLToPath } from "node:url";
import { defineConfig } from "vite";
import preact from "@preact/preset-vite";
import type { Plugin } from "vite";

const pageDir = fileURLToPath(new URL(".", import.meta.url));
const outDir = fileURLToPath(new URL("../build/page", import.meta.url));

// A module script once failed to load from the plug-in's custom URI scheme under WebKitGTK
// (cause not established). The bundle is a self-contained IIFE, so a classic deferred script
// behaves the same and avoids the question.
function classicScript(): Plugin {
  return {
    name: "tindle-classic-script",
    enforce: "post",
    transformIndexHtml: {
      order: "post",
      handler: (html) =>
        html
          .replace(/<script type="module" crossorigin src=/g, "<script defer src=")
          .replace(/<link rel="stylesheet" crossorigin href=/g, '<link rel="stylesheet" href='),
    },
  };
}

export default defineConfig({
  root: pageDir,
  base: "./",
  publicDir: false,
  plugins: [preact({ prerender: { enabled: false } }), classicScript()],
  build: {
    outDir,
    emptyOutDir: true,
    assetsDir: "",
    assetsInlineLimit: 0,
    cssCodeSplit: false,
    modulePreload: { polyfill: false },
    reportCompressedSize: false,
    rolldownOptions: {
      input: fileURLToPath(new URL("plugin.html", import.meta.url)),
      output: {
        format: "iife",
        codeSplitting: false,
        entryFileNames: "plugin-[hash].js",
        assetFileNames: (asset) => (asset.names[0]?.endsWith(".css") ? "plugin-[hash][extname]" : "[name]-[hash][extname]"),
      },
    },
  },
});
