// The animation page: the frame list as a script array; each picture is loaded when it is shown,
// and the next one just ahead of it.
#include "formats/html_index.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>

#include "formats/text/text_file.h"

namespace formats {
namespace fs = std::filesystem;

namespace {

// A relative URL for the path: forward slashes, and every byte other than letters, digits, "-._~/"
// percent-encoded, so names with spaces, "#" or "%" still load.
std::string urlOf(const fs::path &path) {
    constexpr char hexDigits[] = "0123456789ABCDEF";
    std::string url;
    for (char c : path.generic_string()) {
        const auto u = static_cast<unsigned char>(c);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (plain) {
            url += c;
        } else {
            url += '%';
            url += hexDigits[u / 16];
            url += hexDigits[u % 16];
        }
    }
    return url;
}

fs::path relativeTo(const fs::path &file, const fs::path &dir) {
    const fs::path absoluteFile = fs::absolute(file).lexically_normal();
    fs::path absoluteDir = fs::absolute(dir).lexically_normal();
    if (!absoluteDir.has_filename()) absoluteDir = absoluteDir.parent_path();
    const fs::path relative = absoluteFile.lexically_relative(absoluteDir);
    return relative.empty() ? absoluteFile : relative;
}

constexpr const char *pageStart = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Vistrelle pictures</title>
<style>
body { font-family: sans-serif; background: #efece4; margin: 16px; }
#frame { max-width: 100%; border: 1px solid #c9c3b5; background: #fff; }
#controls { display: flex; gap: 12px; align-items: center; margin-top: 8px; }
#slider { flex: 1; }
</style>
</head>
<body>
<p><a href="index.html">3D viewer</a></p>
<img id="frame" alt="frame">
<div id="controls">
<button id="play" type="button">Pause</button>
<input id="slider" type="range" min="0" value="0">
<span id="label"></span>
</div>
<script>
)";

constexpr const char *pageEnd = R"(
const image = document.getElementById("frame");
const slider = document.getElementById("slider");
const label = document.getElementById("label");
const play = document.getElementById("play");
let ahead = null;
let current = 0;
let timer = null;
slider.max = Math.max(frames.length - 1, 0);
function show(index) {
  if (frames.length === 0) { label.textContent = "no frames"; return; }
  current = (index + frames.length) % frames.length;
  image.src = frames[current];
  ahead = new Image();
  ahead.src = frames[(current + 1) % frames.length];
  slider.value = current;
  label.textContent = (current + 1) + " / " + frames.length + "  " + decodeURIComponent(frames[current]);
}
function start() { timer = setInterval(function () { show(current + 1); }, 1000 / framesPerSecond); play.textContent = "Pause"; }
function stop() { clearInterval(timer); timer = null; play.textContent = "Play"; }
play.addEventListener("click", function () { if (timer === null) start(); else stop(); });
slider.addEventListener("input", function () { stop(); show(Number(slider.value)); });
show(0);
if (frames.length > 1) start(); else stop();
</script>
</body>
</html>
)";

}  // namespace

void writeHtmlIndex(const fs::path &dir, std::span<const fs::path> frameFiles,
                    double framesPerSecond, const std::string &pageName) {
    nlohmann::json urls = nlohmann::json::array();
    for (const fs::path &file : frameFiles) urls.push_back(urlOf(relativeTo(file, dir)));
    // URLs hold no "<", so the script text cannot close its own element.
    std::string page = pageStart;
    page += "const frames = " + urls.dump() + ";\n";
    page += "const framesPerSecond = " +
            nlohmann::json(std::isfinite(framesPerSecond) && framesPerSecond > 0.0 ? framesPerSecond
                                                                                   : 24.0)
                .dump() +
            ";\n";
    page += pageEnd;
    replaceFile(dir / pageName, page);
}

}  // namespace formats
