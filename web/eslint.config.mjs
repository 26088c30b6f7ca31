// ESLint's recommended rules for the viewer page's script (a classic browser script) and for the
// Node tools that check the viewer and the glTF files. Run by the test web_lint.
import js from "@eslint/js";

const browser = Object.fromEntries(
  ["window", "document", "performance", "atob", "setTimeout", "console"].map((name) => [name, "readonly"]));
const node = Object.fromEntries(["process", "console", "Buffer", "URL"].map((name) => [name, "readonly"]));

export default [
  { ignores: ["node_modules/"] },
  js.configs.recommended,
  {
    files: ["viewer/*.js"],
    languageOptions: {
      ecmaVersion: 2022,
      sourceType: "script",
      // THREE comes from three.js, viewerSetup from the script the run writes into the page.
      globals: { ...browser, THREE: "readonly", viewerSetup: "readonly" },
    },
    rules: {
      // The frame scripts call vistrelleData.
      "no-unused-vars": ["error", { varsIgnorePattern: "^vistrelleData$" }],
      "no-use-before-define": ["error", { functions: false }],
      eqeqeq: "error",
    },
  },
  {
    files: ["*.mjs"],
    languageOptions: { ecmaVersion: 2022, sourceType: "module", globals: node },
  },
  {
    // Its page.evaluate callbacks run in the page.
    files: ["viewer_check.mjs"],
    languageOptions: { globals: { ...node, window: "readonly" } },
  },
];
