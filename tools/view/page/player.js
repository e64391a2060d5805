// The capture player. It reads the take this page holds (the name, parent and
// world position of every drawn node at every frame) and draws it on a canvas
// through a perspective camera that orbits the take's centre: bones as lines
// from their parent's joint, joints and markers as dots. The scene is z up.
(function () {
  "use strict";

  const BACKGROUND = "#1b1e24";
  const GRID = "#2e333c";
  const BONE = "#f0a030";
  const JOINT = "#fff1d0";
  const MARKER = "#4da3ff";
  const LINK = "rgba(77, 163, 255, 0.45)";
  const LABEL = "#d8dce3";
  const FIELD_OF_VIEW = (40 * Math.PI) / 180;
  const HOVER_PIXELS = 10;

  const byId = (id) => document.getElementById(id);
  const canvas = byId("view");
  const context = canvas.getContext("2d");
  const tip = byId("tip");
  const playButton = byId("play");
  const slider = byId("slider");
  const readout = byId("frame");
  const labels = byId("labels");

  // Base64 of little-endian 32-bit floats, as the program writes them.
  function decodeFloats(base64) {
    const text = atob(base64);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
    const data = new DataView(bytes.buffer);
    const floats = new Float32Array(bytes.length >> 2);
    for (let i = 0; i < floats.length; i++) floats[i] = data.getFloat32(4 * i, true);
    return floats;
  }

  function readTake() {
    const take = JSON.parse(byId("take").textContent);
    if (!Array.isArray(take.nodes) || take.nodes.length === 0) {
      throw new Error("This page holds no take.");
    }
    const positions = decodeFloats(take.positions);
    if (positions.length !== take.frameCount * take.nodes.length * 3) {
      throw new Error("The take's positions do not match its frames and nodes.");
    }
    take.positions = positions;
    return take;
  }

  // The box round every position of the take; dropouts (NaN) left out.
  function boundsOf(positions) {
    const low = [Infinity, Infinity, Infinity];
    const high = [-Infinity, -Infinity, -Infinity];
    for (let i = 0; i < positions.length; i += 3) {
      const x = positions[i];
      if (Number.isNaN(x)) continue;
      for (let c = 0; c < 3; c++) {
        const v = positions[i + c];
        if (v < low[c]) low[c] = v;
        if (v > high[c]) high[c] = v;
      }
    }
    if (low[0] === Infinity) return { low: [0, 0, 0], high: [0, 0, 0] };
    return { low, high };
  }

  // 1, 2 or 5 times a power of ten, at least `value`.
  function niceStep(value) {
    const power = Math.pow(10, Math.floor(Math.log10(value)));
    for (const m of [1, 2, 5, 10]) if (m * power >= value) return m * power;
    return 10 * power;
  }

  let take;
  try {
    take = readTake();
  } catch (error) {
    byId("facts").textContent = error.message;
    playButton.disabled = true;
    slider.disabled = true;
    return;
  }

  const nodeCount = take.nodes.length;
  const frameCount = take.frameCount;
  const bounds = boundsOf(take.positions);
  const centre = [0, 1, 2].map((c) => (bounds.low[c] + bounds.high[c]) / 2);
  const radius = Math.max(
    Math.hypot(
      bounds.high[0] - bounds.low[0],
      bounds.high[1] - bounds.low[1],
      bounds.high[2] - bounds.low[2]
    ) / 2,
    1e-6
  );
  const gridStep = niceStep(radius / 5);
  const floor = bounds.low[2];

  const bones = take.nodes.filter((n) => !n.marker).length;
  const markers = nodeCount - bones;
  const counted = (n, one, many) => n + " " + (n === 1 ? one : many);
  const lastFrame = take.firstFrame + frameCount - 1;
  document.title = take.title + " \u2013 capture player";
  byId("title").textContent = take.title;
  byId("facts").textContent = [
    bones > 0 ? counted(bones, "bone", "bones") : null,
    markers > 0 ? counted(markers, "marker", "markers") : null,
    take.links && take.links.length > 0 ? counted(take.links.length, "link", "links") : null,
    frameCount === 1 ? "frame " + take.firstFrame : "frames " + take.firstFrame + "\u2013" + lastFrame,
    take.frameRate + " frames/s (" + (frameCount / take.frameRate).toFixed(2) + " s)",
    "units " + take.units,
    "grid " + Number(gridStep.toPrecision(3)) + " " + take.units,
  ]
    .filter((part) => part !== null)
    .join(" \u00b7 ");
  slider.max = String(frameCount - 1);

  // The camera: on a sphere round the take's centre, looking at it. At
  // first it looks across the take's longer way over the floor (the way a
  // walk goes), a little from the front, so that the motion is seen side on.
  const camera = { yaw: 0, pitch: 0, distance: 0 };
  const alongX = bounds.high[0] - bounds.low[0] >= bounds.high[1] - bounds.low[1];
  function frameTheTake() {
    camera.yaw = ((alongX ? -60 : -30) * Math.PI) / 180;
    camera.pitch = (12 * Math.PI) / 180;
    camera.distance = (radius / Math.sin(FIELD_OF_VIEW / 2)) * 1.05;
  }
  frameTheTake();

  // A projection of scene points to canvas pixels (CSS pixels) for the
  // camera as it is and a canvas `width` by `height`.
  function projection(width, height) {
    const cp = Math.cos(camera.pitch);
    const sp = Math.sin(camera.pitch);
    const cy = Math.cos(camera.yaw);
    const sy = Math.sin(camera.yaw);
    const back = [cp * cy, cp * sy, sp]; // from the centre towards the eye
    const right = [-sy, cy, 0];
    const up = [-sp * cy, -sp * sy, cp];
    const eye = [0, 1, 2].map((c) => centre[c] + camera.distance * back[c]);
    const focal = Math.min(width, height) / 2 / Math.tan(FIELD_OF_VIEW / 2);
    const near = radius * 1e-3;
    // Null for a point behind the camera.
    return function (x, y, z) {
      const dx = x - eye[0];
      const dy = y - eye[1];
      const dz = z - eye[2];
      const depth = -(dx * back[0] + dy * back[1] + dz * back[2]);
      if (!(depth > near)) return null;
      const s = focal / depth;
      return {
        x: width / 2 + (dx * right[0] + dy * right[1]) * s,
        y: height / 2 - (dx * up[0] + dy * up[1] + dz * up[2]) * s,
        depth,
      };
    };
  }

  function line(a, b) {
    if (a === null || b === null) return;
    context.moveTo(a.x, a.y);
    context.lineTo(b.x, b.y);
  }

  function drawGrid(project) {
    const margin = gridStep;
    const x0 = Math.floor((bounds.low[0] - margin) / gridStep) * gridStep;
    const x1 = Math.ceil((bounds.high[0] + margin) / gridStep) * gridStep;
    const y0 = Math.floor((bounds.low[1] - margin) / gridStep) * gridStep;
    const y1 = Math.ceil((bounds.high[1] + margin) / gridStep) * gridStep;
    context.strokeStyle = GRID;
    context.lineWidth = 1;
    context.beginPath();
    // A grid of a very long take would be thousands of lines: thin it.
    const every = Math.max(1, Math.ceil(Math.max(x1 - x0, y1 - y0) / gridStep / 200));
    for (let x = x0; x <= x1 + gridStep / 2; x += gridStep * every) {
      line(project(x, y0, floor), project(x, y1, floor));
    }
    for (let y = y0; y <= y1 + gridStep / 2; y += gridStep * every) {
      line(project(x0, y, floor), project(x1, y, floor));
    }
    context.stroke();
  }

  function dot(point, radius, colour) {
    context.fillStyle = colour;
    context.beginPath();
    context.arc(point.x, point.y, radius, 0, 2 * Math.PI);
    context.fill();
  }

  let frameIndex = 0;
  let pointer = null; // the pointer over the canvas, in CSS pixels
  let shown = []; // the nodes' points as last drawn (null: not drawn)

  function draw() {
    const ratio = window.devicePixelRatio || 1;
    const width = canvas.clientWidth;
    const height = canvas.clientHeight;
    if (canvas.width !== Math.round(width * ratio) || canvas.height !== Math.round(height * ratio)) {
      canvas.width = Math.round(width * ratio);
      canvas.height = Math.round(height * ratio);
    }
    context.setTransform(ratio, 0, 0, ratio, 0, 0);
    context.fillStyle = BACKGROUND;
    context.fillRect(0, 0, width, height);
    const project = projection(width, height);
    drawGrid(project);

    const base = frameIndex * nodeCount * 3;
    const p = take.positions;
    shown = take.nodes.map((node, i) => {
      const at = base + 3 * i;
      return Number.isNaN(p[at]) ? null : project(p[at], p[at + 1], p[at + 2]);
    });

    context.strokeStyle = BONE;
    context.lineWidth = 3;
    context.lineCap = "round";
    context.beginPath();
    take.nodes.forEach((node, i) => {
      if (node.parent >= 0) line(shown[node.parent], shown[i]);
    });
    context.stroke();

    // Links between markers, under the dots; a link is drawn while both
    // its markers are seen.
    context.strokeStyle = LINK;
    context.lineWidth = 1.5;
    context.beginPath();
    for (const [a, b] of take.links || []) line(shown[a], shown[b]);
    context.stroke();

    // Far dots first, so that near ones cover them.
    const order = shown
      .map((point, i) => i)
      .filter((i) => shown[i] !== null)
      .sort((a, b) => shown[b].depth - shown[a].depth);
    for (const i of order) {
      if (take.nodes[i].marker) dot(shown[i], 4.5, MARKER);
      else dot(shown[i], 3, JOINT);
    }

    if (labels.checked) {
      context.fillStyle = LABEL;
      context.font = "11px system-ui, sans-serif";
      for (const i of order) context.fillText(take.nodes[i].name, shown[i].x + 6, shown[i].y - 6);
    }
    showTip();
  }

  // The name of the node nearest the pointer, when it is near enough.
  function showTip() {
    let nearest = -1;
    let best = HOVER_PIXELS;
    if (pointer !== null) {
      shown.forEach((point, i) => {
        if (point === null) return;
        const d = Math.hypot(point.x - pointer.x, point.y - pointer.y);
        if (d <= best) {
          best = d;
          nearest = i;
        }
      });
    }
    if (nearest < 0) {
      tip.hidden = true;
      return;
    }
    tip.textContent = take.nodes[nearest].name;
    tip.style.left = shown[nearest].x + 10 + "px";
    tip.style.top = shown[nearest].y - 28 + "px";
    tip.hidden = false;
  }

  // Playing: the frame shown follows the clock, at the take's frame rate,
  // from the frame shown when play was pressed. A timer drives it rather
  // than animation frames, which a browser does not give a page it renders
  // without a screen.
  let playing = false;
  let clockStart = 0;
  let clockFrame = 0;
  let dirty = true;
  let scheduled = false;

  function showFrame(index) {
    frameIndex = index;
    slider.value = String(index);
    const number = take.firstFrame + index;
    readout.textContent = "frame " + number + " \u00b7 " + (number / take.frameRate).toFixed(3) + " s";
    dirty = true;
  }

  function tick() {
    scheduled = false;
    if (playing) {
      const elapsed = (performance.now() - clockStart) / 1000;
      const index = (clockFrame + Math.floor(elapsed * take.frameRate)) % frameCount;
      if (index !== frameIndex) showFrame(index);
    }
    if (dirty) {
      dirty = false;
      draw();
    }
    if (playing) schedule();
  }

  function schedule() {
    if (!scheduled) {
      scheduled = true;
      setTimeout(tick, 15);
    }
  }

  function redraw() {
    dirty = true;
    schedule();
  }

  function setPlaying(on) {
    playing = on && frameCount > 1;
    clockStart = performance.now();
    clockFrame = frameIndex;
    playButton.textContent = playing ? "Pause" : "Play";
    playButton.setAttribute("aria-pressed", String(playing));
    schedule();
  }

  playButton.addEventListener("click", () => setPlaying(!playing));
  slider.addEventListener("input", () => {
    setPlaying(false);
    showFrame(Number(slider.value));
    redraw();
  });
  labels.addEventListener("change", redraw);
  // Drawn again at once when the canvas changes size, within the same
  // rendering step, so that no stretched picture is ever shown.
  if (typeof ResizeObserver === "function") {
    new ResizeObserver(() => draw()).observe(canvas);
  } else {
    window.addEventListener("resize", () => draw());
  }
  window.addEventListener("keydown", (event) => {
    const target = event.target;
    if (target instanceof HTMLInputElement || target instanceof HTMLButtonElement) return;
    if (event.key === " ") {
      setPlaying(!playing);
    } else if (event.key === "ArrowLeft" || event.key === "ArrowRight") {
      setPlaying(false);
      const step = event.key === "ArrowLeft" ? frameCount - 1 : 1;
      showFrame((frameIndex + step) % frameCount);
      redraw();
    } else {
      return;
    }
    event.preventDefault();
  });

  // Orbit by dragging, zoom with the wheel, frame the take again on a
  // double click.
  let drag = null;
  function pointerAt(event) {
    const box = canvas.getBoundingClientRect();
    return { x: event.clientX - box.left, y: event.clientY - box.top };
  }
  canvas.addEventListener("pointerdown", (event) => {
    drag = pointerAt(event);
    canvas.setPointerCapture(event.pointerId);
    canvas.classList.add("dragging");
  });
  canvas.addEventListener("pointermove", (event) => {
    pointer = pointerAt(event);
    if (drag !== null) {
      camera.yaw -= (pointer.x - drag.x) * 0.008;
      camera.pitch = Math.max(-1.5, Math.min(1.5, camera.pitch + (pointer.y - drag.y) * 0.008));
      drag = pointer;
    }
    redraw();
  });
  const endDrag = () => {
    drag = null;
    canvas.classList.remove("dragging");
  };
  canvas.addEventListener("pointerup", endDrag);
  canvas.addEventListener("pointercancel", endDrag);
  canvas.addEventListener("pointerleave", () => {
    pointer = null;
    redraw();
  });
  canvas.addEventListener(
    "wheel",
    (event) => {
      event.preventDefault();
      const pixels = event.deltaMode === 1 ? event.deltaY * 16 : event.deltaY;
      const least = radius * 0.2;
      const most = radius * 50;
      camera.distance = Math.max(least, Math.min(most, camera.distance * Math.exp(pixels * 0.0015)));
      redraw();
    },
    { passive: false }
  );
  canvas.addEventListener("dblclick", () => {
    frameTheTake();
    redraw();
  });

  showFrame(0);
  setPlaying(true);
  redraw();
  // When the page had its take read and first drawn, in ms from the start
  // of its loading: what a person waits before seeing it.
  document.documentElement.dataset.openedMs = String(Math.round(performance.now()));
})();
