// What the Chromium checks of web/ share: Debian's headless Chromium started with a profile of its
// own, checks printed as PASS or FAIL lines, and the summary with the exit code.
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import puppeteer from "puppeteer-core";

// Headless Chromium ($CHROMIUM, else /usr/bin/chromium) with `extraArgs`; close() also removes its
// profile.
export async function launchChromium(extraArgs = []) {
  const profile = mkdtempSync(join(tmpdir(), "vistrelle-chromium-"));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync", ...extraArgs, `--user-data-dir=${profile}`],
  });
  return {
    browser,
    close: async () => {
      await browser.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

const results = [];

export function check(name, ok, detail) {
  results.push(ok);
  console.log(`${ok ? "PASS" : "FAIL"} ${name}: ${detail}`);
}

// Prints "N passed, N failed" and exits, with 1 when a check failed.
export function finishChecks() {
  const failed = results.filter((ok) => !ok).length;
  console.log(`${results.length - failed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
}
