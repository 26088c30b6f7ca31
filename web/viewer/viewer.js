const facingColour = 0x5cb342, farColour = 0xb87038, targetColour = 0x2f6fd0;
const view = document.getElementById("view");
const message = document.getElementById("message");
const slider = document.getElementById("slider");
const label = document.getElementById("label");
const playButton = document.getElementById("play");
const beforeButton = document.getElementById("before");
const eyeButton = document.getElementById("eye");
document.getElementById("title").textContent = viewerSetup.name + ": " + viewerSetup.caption;

// Script files hand their data to vistrelleData; the loader waits for the one it added.
let pendingData = null;
function vistrelleData(head, base64) {
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  if (pendingData) pendingData(new Float32Array(bytes.buffer));
}
let loading = Promise.resolve();
function loadScript(file) {
  // One script at a time, the next only after the last one's load event, so that each answer belongs
  // to the file that was asked for.
  const result = loading.then(function () {
    return new Promise(function (resolve, reject) {
      const script = document.createElement("script");
      let values = null;
      pendingData = function (data) { values = data; };
      script.onerror = function () { script.remove(); pendingData = null; reject(new Error("cannot load " + file)); };
      script.onload = function () {
        script.remove();
        pendingData = null;
        if (values) resolve(values); else reject(new Error(file + " held no data"));
      };
      script.src = file;
      document.head.appendChild(script);
    });
  });
  loading = result.catch(function () {});
  return result;
}

// Frames are loaded when needed and only a few are kept, so that a big object fits in memory.
const cache = new Map();
const keep = 6;
function frameValues(index) {
  if (!cache.has(index)) {
    cache.set(index, loadScript(viewerSetup.frames[index].file));
    while (cache.size > keep) cache.delete(cache.keys().next().value);
  }
  return cache.get(index);
}

function fail(text) { message.textContent = text; window.vistrelleViewer.failed = text; }

window.vistrelleViewer = { ready: null, failed: "" };
if (typeof THREE === "undefined" || !THREE.WebGLRenderer) {
  fail("three.js did not load: three.js beside this page is missing. Run scripts/setup, then run vistrelle again.");
  window.vistrelleViewer.ready = Promise.reject(new Error("three.js is missing"));
  window.vistrelleViewer.ready.catch(function () {});
} else {
  window.vistrelleViewer.ready = start();
}

// Each leaf fanned into triangles wound so that their front is the leaf's facing side, the side the
// module turns toward the target: its local -Z, (centre - pivot) x (first edge) as the module measures
// it. The front shows the facing colour, the back the far colour.
function leafTriangles(p, n, pivotRule) {
  const leaves = n >= 3 ? Math.floor(p.length / 3 / n) : 0;
  const index = new Uint32Array(leaves * (n - 2) * 3);
  let k = 0;
  for (let leaf = 0; leaf < leaves; ++leaf) {
    const f = 3 * leaf * n, l = f + 3 * (n - 1);
    let px = p[f], py = p[f + 1], pz = p[f + 2];
    if (pivotRule === 1) { px = (px + p[f + 3]) / 2; py = (py + p[f + 4]) / 2; pz = (pz + p[f + 5]) / 2; }
    if (pivotRule === 2) { px = (px + p[l]) / 2; py = (py + p[l + 1]) / 2; pz = (pz + p[l + 2]) / 2; }
    if (pivotRule === 3) { px = p[l]; py = p[l + 1]; pz = p[l + 2]; }
    let cx = 0, cy = 0, cz = 0;
    for (let i = 1; i < n; ++i) { cx += p[f + 3 * i]; cy += p[f + 3 * i + 1]; cz += p[f + 3 * i + 2]; }
    const ax = cx / (n - 1) - px, ay = cy / (n - 1) - py, az = cz / (n - 1) - pz;
    const ex = p[f + 3] - p[f], ey = p[f + 4] - p[f + 1], ez = p[f + 5] - p[f + 2];
    const sx = ay * ez - az * ey, sy = az * ex - ax * ez, sz = ax * ey - ay * ex;
    let nx = 0, ny = 0, nz = 0;
    for (let c = 1; c + 1 < n; ++c) {
      const ux = p[f + 3 * c] - p[f], uy = p[f + 3 * c + 1] - p[f + 1], uz = p[f + 3 * c + 2] - p[f + 2];
      const vx = p[f + 3 * c + 3] - p[f], vy = p[f + 3 * c + 4] - p[f + 1], vz = p[f + 3 * c + 5] - p[f + 2];
      nx += uy * vz - uz * vy; ny += uz * vx - ux * vz; nz += ux * vy - uy * vx;
    }
    const flip = sx * nx + sy * ny + sz * nz < 0;
    const first = leaf * n;
    for (let c = 1; c + 1 < n; ++c) {
      index[k++] = first;
      index[k++] = first + (flip ? c + 1 : c);
      index[k++] = first + (flip ? c : c + 1);
    }
  }
  return index;
}

// One double-sided material whose colour is the facing one on the front and the far one on the back.
function leafMaterial() {
  const material = new THREE.MeshLambertMaterial({ color: 0xffffff, side: THREE.DoubleSide, flatShading: true });
  material.onBeforeCompile = function (shader) {
    shader.fragmentShader = shader.fragmentShader.replace("vec4 diffuseColor = vec4( diffuse, opacity );",
      "vec4 diffuseColor = vec4( gl_FrontFacing ? vec3(" + rgb(facingColour) + ") : vec3(" + rgb(farColour) + "), opacity );");
  };
  return material;
}
function rgb(hex) {
  const c = new THREE.Color(hex);
  return [c.r, c.g, c.b].map(function (v) { return v.toFixed(5); }).join(", ");
}

async function start() {
  const frames = viewerSetup.frames;
  const base = await loadScript(viewerSetup.base);
  // Smoothing the edges costs a software renderer dearly on big meshes; they have no use for it.
  const renderer = new THREE.WebGLRenderer({ antialias: viewerSetup.points < 200000, preserveDrawingBuffer: true });
  renderer.setPixelRatio(window.devicePixelRatio || 1);
  view.appendChild(renderer.domElement);
  const scene = new THREE.Scene();
  scene.background = new THREE.Color(0xefece4);
  // The host's axes are left-handed (Z away from the viewer); mirroring Z shows them as the host does.
  const root = new THREE.Group();
  root.scale.set(1, 1, -1);
  scene.add(root);

  const geometry = new THREE.BufferGeometry();
  const positions = new Float32Array(base);
  geometry.setAttribute("position", new THREE.BufferAttribute(positions, 3));
  geometry.setIndex(new THREE.BufferAttribute(leafTriangles(base, viewerSetup.leafPoints, viewerSetup.pivotRule), 1));
  const leaves = new THREE.Mesh(geometry, leafMaterial());
  leaves.frustumCulled = false;
  root.add(leaves);

  const box = new THREE.Box3().setFromBufferAttribute(geometry.getAttribute("position"));
  const size = Math.max(box.getSize(new THREE.Vector3()).length(), 1e-6);
  const centre = box.getCenter(new THREE.Vector3());
  const marker = new THREE.Mesh(new THREE.SphereGeometry(size * 0.02, 16, 12), new THREE.MeshBasicMaterial({ color: targetColour }));
  const pathPoints = frames.filter(function (f) { return f.target; }).map(function (f) { return new THREE.Vector3(f.target[0], f.target[1], f.target[2]); });
  const path = new THREE.Line(new THREE.BufferGeometry().setFromPoints(pathPoints), new THREE.LineBasicMaterial({ color: targetColour }));
  root.add(marker, path);

  const camera = new THREE.PerspectiveCamera(45, 1, size * 0.001, size * 1000);
  scene.add(camera);
  const light = new THREE.DirectionalLight(0xffffff, 1.6);
  light.position.set(0.3, 0.6, 1);
  camera.add(light);
  scene.add(new THREE.AmbientLight(0xffffff, 1.4));

  let current = 0;
  let before = false;
  let fromTarget = false;
  const orbit = { radius: size * 1.6, theta: -0.6, phi: 1.15 };
  const worldCentre = function () { return root.localToWorld(centre.clone()); };
  // Start on the target's side, a little round from it, so that both colours show.
  const firstTarget = frames.length ? frames[0].target : null;
  if (firstTarget) {
    const toTarget = root.localToWorld(new THREE.Vector3(firstTarget[0], firstTarget[1], firstTarget[2])).sub(worldCentre());
    if (toTarget.lengthSq() > 0) orbit.theta = Math.atan2(toTarget.x, toTarget.z) + 0.9;
  }

  function placeCamera() {
    const target = frames.length && frames[current].target;
    const seeFromTarget = fromTarget && target;
    marker.visible = path.visible = !seeFromTarget;
    if (seeFromTarget) {
      const eye = root.localToWorld(new THREE.Vector3(target[0], target[1], target[2]));
      const look = worldCentre();
      const distance = Math.max(eye.distanceTo(look), 1e-9);
      camera.position.copy(eye);
      camera.fov = THREE.MathUtils.clamp(2 * THREE.MathUtils.radToDeg(Math.atan(size * 0.55 / distance)), 5, 150);
      camera.near = distance * 0.01;
      camera.far = distance + size * 10;
      camera.lookAt(look);
    } else {
      const c = worldCentre();
      camera.position.set(c.x + orbit.radius * Math.sin(orbit.phi) * Math.sin(orbit.theta), c.y + orbit.radius * Math.cos(orbit.phi),
                          c.z + orbit.radius * Math.sin(orbit.phi) * Math.cos(orbit.theta));
      camera.fov = 45;
      camera.near = orbit.radius * 0.001;
      camera.far = orbit.radius * 100;
      camera.lookAt(c);
    }
    if (frames.length && frames[current].target) {
      const t = frames[current].target;
      marker.position.set(t[0], t[1], t[2]);
    } else {
      marker.visible = false;
    }
  }
  function render() {
    const width = view.clientWidth || 640, height = view.clientHeight || 480;
    renderer.setSize(width, height, false);
    camera.aspect = width / height;
    placeCamera();
    camera.updateProjectionMatrix();
    renderer.render(scene, camera);
  }
  function setPositions(values) {
    positions.set(values);
    geometry.getAttribute("position").needsUpdate = true;
  }
  function updateLabel() {
    if (!frames.length) { label.textContent = "no frames written yet"; return; }
    label.textContent = "frame " + frames[current].frame + " (" + (current + 1) + " / " + frames.length + ")" + (before ? ", before" : "");
  }
  async function show(index) {
    if (!frames.length) { updateLabel(); render(); return; }
    index = ((index % frames.length) + frames.length) % frames.length;
    const values = before ? base : await frameValues(index);
    current = index;
    setPositions(values);
    slider.value = current;
    updateLabel();
    render();
    if (!before) for (let ahead = 1; ahead <= 2 && ahead < frames.length; ++ahead) frameValues((index + ahead) % frames.length).catch(function () {});
  }

  let playing = false;
  async function play() {
    playing = true;
    playButton.textContent = "Pause";
    let next = performance.now();
    while (playing && frames.length > 1) {
      await show(current + 1);
      next += 1000 / viewerSetup.framesPerSecond;
      await new Promise(function (resolve) { setTimeout(resolve, Math.max(0, next - performance.now())); });
    }
  }
  function pause() { playing = false; playButton.textContent = "Play"; }
  playButton.addEventListener("click", function () { if (playing) pause(); else play(); });
  slider.max = Math.max(frames.length - 1, 0);
  slider.addEventListener("input", function () { pause(); show(Number(slider.value)); });
  beforeButton.addEventListener("click", function () { setBefore(!before); });
  eyeButton.addEventListener("click", function () { setFromTarget(!fromTarget); });
  function setBefore(on) { before = on; beforeButton.textContent = on ? "After" : "Before"; return show(current); }
  function setFromTarget(on) { fromTarget = on; eyeButton.textContent = on ? "Orbit view" : "Look from the target"; render(); }

  let drag = null;
  renderer.domElement.addEventListener("pointerdown", function (e) { drag = { x: e.clientX, y: e.clientY }; fromTarget && setFromTarget(false); });
  window.addEventListener("pointerup", function () { drag = null; });
  window.addEventListener("pointermove", function (e) {
    if (!drag) return;
    orbit.theta -= (e.clientX - drag.x) * 0.008;
    orbit.phi = THREE.MathUtils.clamp(orbit.phi - (e.clientY - drag.y) * 0.008, 0.05, Math.PI - 0.05);
    drag = { x: e.clientX, y: e.clientY };
    render();
  });
  renderer.domElement.addEventListener("wheel", function (e) {
    e.preventDefault();
    orbit.radius *= Math.pow(1.1, Math.sign(e.deltaY));
    render();
  }, { passive: false });
  window.addEventListener("resize", render);
  if (!frames.length) fail("No frame has been written yet: reload this page while the run goes on.");

  Object.assign(window.vistrelleViewer, {
    frameCount: frames.length,
    show: show,
    setBefore: setBefore,
    setFromTarget: function (on) { setFromTarget(on); },
    play: play,
    pause: pause,
  });
  await show(0);
}
