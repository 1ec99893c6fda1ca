import { defineConfig } from "vitest/config";

// Unit tests: pure modules under Node. Browser and end-to-end suites have their own configs.
export default defineConfig({
  test: {
    include: ["{page,tools,service,cli}/**/*.test.{ts,tsx}"],
    exclude: ["**/node_modules/**", "**/*.browser.test.*", "**/*.e2e.test.*"],
    environment: "node",
    passWithNoTests: true,
  },
});
