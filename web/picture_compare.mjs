// Shows SVG pictures in headless Chromium and compares them pixel by pixel: a picture that must look
// as its reference does (the same frame written by an earlier renderer) against one that must not
// (another frame), so that the tolerance is shown to tell pictures apart. A pixel differs when its
// red, green and blue differ by more than 30 all told. Usage:
//   node picture_compare.mjs REFERENCE[.svg.gz] SAME.svg OTHER.svg SHOTS_DIR [MOST_DIFFERING_SHARE]
// Prints "N passed, N failed" and exits 1 when a check fails.
import { mkdirSync, readFileSync, writeFileSync } from "node:fs";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { gunzipSync } from "node:zlib";
import { check, finishChecks, launchChromium } from "./browser_checks.mjs";
import { decodePng, differingPixels } from "./png_pixels.mjs";

const [reference, same, other, shots, share] = process.argv.slice(2);
if (!reference || !same || !other || !shots) {
  console.error("usage: node picture_compare.mjs REFERENCE[.svg.gz] SAME.svg OTHER.svg SHOTS_DIR [MOST_DIFFERING_SHARE]");
  process.exit(2);
}
const mostDiffering = share ? Number(share) : 0.002;
mkdirSync(shots, { recursive: true });

// The SVG's own size in pixels, from its width and height attributes.
function sizeOf(svg) {
  const head = svg.slice(0, svg.indexOf(">", svg.indexOf("<svg")));
  const number = (name) => Number(new RegExp(`\\s${name}="([0-9.]+)"`).exec(head)[1]);
  return { width: Math.ceil(number("width")), height: Math.ceil(number("height")) };
}

let referenceFile = resolve(reference);
if (reference.endsWith(".gz")) {
  referenceFile = join(resolve(shots), "reference.svg");
  writeFileSync(referenceFile, gunzipSync(readFileSync(reference)));
}

const { browser, close } = await launchChromium();
try {
  const page = await browser.newPage();
  const shot = async (file, name) => {
    const size = sizeOf(readFileSync(file, "latin1"));
    await page.setViewport(size);
    await page.goto(pathToFileURL(file).href, { waitUntil: "load" });
    const png = await page.screenshot({ type: "png", clip: { x: 0, y: 0, ...size } });
    writeFileSync(join(shots, name), png);
    return { size, pixels: decodePng(png).pixels };
  };
  const before = await shot(referenceFile, "reference.png");
  const after = await shot(resolve(same), "same.png");
  const another = await shot(resolve(other), "other.png");
  const all = before.size.width * before.size.height;
  check("the pictures have the reference's size", after.size.width === before.size.width &&
        after.size.height === before.size.height, `${after.size.width} x ${after.size.height}`);
  const changed = differingPixels(before.pixels, after.pixels);
  check("the picture looks as the reference does", changed <= mostDiffering * all,
        `${changed} of ${all} pixels differ (at most ${Math.floor(mostDiffering * all)})`);
  const apart = differingPixels(before.pixels, another.pixels);
  check("another frame's picture is told apart", apart > 10 * mostDiffering * all, `${apart} of ${all} pixels differ`);
} catch (error) {
  check("the pictures are shown", false, String(error && error.stack || error));
} finally {
  await close();
}
finishChecks();
