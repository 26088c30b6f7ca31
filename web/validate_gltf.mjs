// Runs the Khronos glTF validator over .glb files: prints each file's counts and every error, and
// exits 1 when any file has an error. Usage: node validate_gltf.mjs FILE.glb...
import { readFile } from "node:fs/promises";
import validator from "gltf-validator";

const files = process.argv.slice(2);
if (files.length === 0) {
  console.error("usage: node validate_gltf.mjs FILE.glb...");
  process.exit(2);
}
let failed = 0;
for (const file of files) {
  const report = await validator.validateBytes(new Uint8Array(await readFile(file)), { uri: file, maxIssues: 0 });
  const { numErrors, numWarnings, numInfos, messages } = report.issues;
  console.log(`${file}: ${numErrors} errors, ${numWarnings} warnings, ${numInfos} infos`);
  for (const message of messages) {
    if (message.severity <= 1) console.log(`  ${message.severity === 0 ? "error" : "warning"} ${message.code} ${message.pointer ?? ""}: ${message.message}`);
  }
  if (numErrors > 0) failed += 1;
}
process.exit(failed ? 1 : 0);
