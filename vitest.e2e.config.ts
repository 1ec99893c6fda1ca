import { defineConfig } from "vitest/config";

// End-to-end tests launch the real Tindle application under Xvfb with JACK's dummy backend.
export default defineConfig({
  test: {
    include: ["tests/e2e/**/*.e2e.test.ts"],
    environment: "node",
    passWithNoTests: true,
    testTimeout: 120_000,
    hookTimeout: 180_000,
    fileParallelism: false,
  },
});
