// Opens a run's index.html in headless Chromium (software WebGL) from the file system and checks it
// from screenshots: the object is drawn, a later frame differs from frame 0, seen from the target the
// turned cards show their facing colour (and before the turn clearly fewer do), and the page logs no
// error. Usage:
//   node viewer_check.mjs PAGE SHOTS_DIR [--single-card]
// --single-card: a page of one card; only the facing colour seen from the target is checked.
// Prints "N passed, N failed" and exits 1 when a check fails.
import { mkdirSync, writeFileSync } from "node:fs";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { check, finishChecks, launchChromium } from "./browser_checks.mjs";
import { decodePng, differingPixels } from "./png_pixels.mjs";

const [page_, shots, ...flags] = process.argv.slice(2);
if (!page_ || !shots) {
  console.error("usage: node viewer_check.mjs PAGE SHOTS_DIR [--single-card]");
  process.exit(2);
}
const singleCard = flags.includes("--single-card");
mkdirSync(shots, { recursive: true });

// Card pixels are the clearly coloured ones: green where the facing side shows, brown where the far
// side does. The background is nearly grey and the target's marks are blue.
function census(png) {
  const { pixels } = decodePng(png);
  let facing = 0, far = 0;
  for (let i = 0; i < pixels.length; i += 4) {
    const r = pixels[i], g = pixels[i + 1], b = pixels[i + 2];
    if (Math.max(r, g, b) - Math.min(r, g, b) < 40 || (b > r && b > g)) continue;
    if (g > r) ++facing; else ++far;
  }
  const cards = facing + far;
  return { cards, facing, far, facingShare: cards ? facing / cards : 0, all: pixels.length / 4 };
}

const { browser, close } = await launchChromium(["--use-angle=swiftshader", "--enable-unsafe-swiftshader"]);
const errors = [];
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 900, height: 700 });
  page.on("console", (message) => { if (message.type() === "error") errors.push(message.text()); });
  page.on("pageerror", (error) => errors.push(String(error)));
  page.on("requestfailed", (request) => errors.push(`failed to load ${request.url()}`));
  await page.goto(pathToFileURL(resolve(page_)).href, { waitUntil: "load" });
  await page.evaluate(() => window.vistrelleViewer.ready);
  const frames = await page.evaluate(() => window.vistrelleViewer.frameCount);
  const canvas = await page.$("#view canvas");
  const shot = async (name) => {
    const png = await canvas.screenshot({ type: "png" });
    writeFileSync(join(shots, name), png);
    return png;
  };

  if (!singleCard) {
    const first = await shot("frame-first.png");
    const drawn = census(first);
    check("the object is drawn", drawn.cards > drawn.all * 0.01, `${drawn.cards} of ${drawn.all} pixels are cards`);
    await page.evaluate((last) => window.vistrelleViewer.show(last), frames - 1);
    const later = await shot("frame-last.png");
    const changed = differingPixels(decodePng(first).pixels, decodePng(later).pixels);
    check("a later frame differs from frame 0", changed > drawn.all * 0.002, `${changed} pixels differ`);
  }

  await page.evaluate(() => window.vistrelleViewer.setFromTarget(true));
  const seen = census(await shot("from-target-after.png"));
  check("seen from the target, the turned cards show the facing colour", seen.cards > 0 && seen.facingShare >= 0.9,
        `${(100 * seen.facingShare).toFixed(1)}% of ${seen.cards} card pixels are facing`);
  await page.evaluate(() => window.vistrelleViewer.setBefore(true));
  const before = census(await shot("from-target-before.png"));
  if (!singleCard) {
    check("seen from the target before the turn, clearly fewer show it", before.cards > 0 && before.facingShare <= seen.facingShare - 0.15,
          `${(100 * before.facingShare).toFixed(1)}% of ${before.cards} card pixels are facing`);
    await page.evaluate(() => { window.vistrelleViewer.setBefore(false); window.vistrelleViewer.setFromTarget(false); });
    await page.evaluate(() => window.vistrelleViewer.show(0));
    await page.screenshot({ path: join(shots, "viewer.png"), type: "png" });
  } else {
    check("before the turn the target sees the card's far side", before.cards > 0 && before.facingShare <= 0.1,
          `${(100 * before.facingShare).toFixed(1)}% of ${before.cards} card pixels are facing`);
  }
  check("the page logs no error", errors.length === 0, errors.length ? errors.join(" | ") : "none");
} catch (error) {
  check("the page runs", false, String(error && error.stack || error));
} finally {
  await close();
}
finishChecks();
