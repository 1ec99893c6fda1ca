import { defineConfig } from "vitest/config";

// Browser tests drive Debian's Chromium through playwright-core; one file at a time keeps two cores calm.
export default defineConfig({
  test: {
    include: ["{page,tools,service,cli,tests}/**/*.browser.test.{ts,tsx}"],
    environment: "node",
    passWithNoTests: true,
    testTimeout: 60_000,
    hookTimeout: 120_000,
    fileParallelism: false,
  },
});
