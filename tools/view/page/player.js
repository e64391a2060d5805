// The capture player. It reads the take this page holds (the name, parent and
// world position of every drawn node at every frame) and draws it on a canvas
// through a perspective camera that orbits the take's centre: bones as lines
// from their parent's joint, joints and markers as dots, left and right in
// tints of their own. A strip under the slider shows how many markers are seen
// at each frame, worked out here from the positions. The scene is z up.
(function () {
  "use strict";

  const BACKGROUND = "#1b1e24";
  const GRID = "#2e333c";
  const BONE = "#f0a030";
  const JOINT = "#fff1d0";
  const MARKER = "#4da3ff";
  const LINK = "rgba(77, 163, 255, 0.45)";
  // Left and right tints of each kind; view/KindColours.h holds the same.
  const BONE_LEFT = "#ff5a6e";
  const BONE_RIGHT = "#9be35a";
  const MARKER_LEFT = "#ff6eb4";
  const MARKER_RIGHT = "#3fd98a";
  // The strip's bars: a frame at which every marker is seen, one at which
  // some are missing; and the mark of the frame shown.
  const ALL_SEEN = "#4b5362";
  const SOME_MISSING = "#ffd040";
  const STRIP_CURSOR = "#ffffff";
  const LISTED = 6; // names or gaps a tip lists before "and N more"
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
  const strip = byId("gaps");
  const stripContext = strip.getContext("2d");

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

  // "a", "a and b", "a, b and c", "a, b, c and 4 more": at most `limit`
  // items, joined by `comma`.
  function listText(items, limit, comma = ", ") {
    const shown = items.slice(0, limit);
    if (items.length > limit) return shown.join(comma) + " and " + (items.length - limit) + " more";
    if (shown.length < 2) return shown.join("");
    return shown.slice(0, -1).join(comma) + " and " + shown[shown.length - 1];
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

  // Which markers are seen at which frames, from the positions (NaN where a
  // marker is missing): how many are seen at each frame, and each marker's
  // gaps as [first, last] frame indices.
  function markersSeen() {
    const seen = new Array(frameCount).fill(0);
    const gaps = take.nodes.map(() => []);
    take.nodes.forEach((node, i) => {
      if (!node.marker) return;
      let start = -1;
      for (let f = 0; f < frameCount; f++) {
        if (isMissing(i, f)) {
          if (start < 0) start = f;
          continue;
        }
        seen[f]++;
        if (start >= 0) gaps[i].push([start, f - 1]);
        start = -1;
      }
      if (start >= 0) gaps[i].push([start, frameCount - 1]);
    });
    return { seen, gaps };
  }

  function isMissing(node, frame) {
    return Number.isNaN(take.positions[(frame * nodeCount + node) * 3]);
  }

  // Frames as the caption and readout number them.
  function framesText(first, last) {
    const number = (index) => take.firstFrame + index;
    return first === last ? String(number(first)) : number(first) + "\u2013" + number(last);
  }

  // "missing at frames 18\u201322", "missing at frames 3 and 18\u201322".
  function gapsText(runs) {
    if (runs.length === 1 && runs[0][0] === 0 && runs[0][1] === frameCount - 1) {
      return "missing at every frame";
    }
    const one = runs.length === 1 && runs[0][0] === runs[0][1];
    const listed = listText(runs.map((run) => framesText(run[0], run[1])), LISTED);
    return "missing at frame" + (one ? " " : "s ") + listed;
  }

  function seenText(index) {
    return seen[index] + " of " + counted(markers, "marker", "markers") + " seen";
  }

  // What the strip says of a frame: how many markers are seen, which not.
  function frameSeenText(index) {
    const missing = take.nodes.filter((node, i) => node.marker && isMissing(i, index)).map((n) => n.name);
    let text = "frame " + framesText(index, index) + ": " + seenText(index);
    if (missing.length > 0) text += "\nmissing " + listText(missing, LISTED);
    return text;
  }

  function colourOf(node) {
    if (node.side === "left") return node.marker ? MARKER_LEFT : BONE_LEFT;
    if (node.side === "right") return node.marker ? MARKER_RIGHT : BONE_RIGHT;
    return node.marker ? MARKER : BONE;
  }

  // The caption names the side colours when the take has sided nodes, in
  // the markers' tints if any marker is sided.
  function showSides() {
    const sided = take.nodes.filter((n) => n.side === "left" || n.side === "right");
    if (sided.length === 0) return;
    const marker = sided.some((n) => n.marker);
    const facts = byId("facts");
    facts.append(" \u00b7 ");
    ["left", "right"].forEach((side, i) => {
      const word = document.createElement("span");
      word.className = "side";
      word.textContent = side;
      word.style.color = colourOf({ marker, side });
      facts.append(...(i > 0 ? [" / ", word] : [word]));
    });
  }

  const bones = take.nodes.filter((n) => !n.marker).length;
  const markers = nodeCount - bones;
  const counted = (n, one, many) => n + " " + (n === 1 ? one : many);
  const { seen, gaps } = markersSeen();
  const withGaps = take.nodes.map((n, i) => i).filter((i) => gaps[i].length > 0);
  const gapped = withGaps.length > 0 ? ", " + withGaps.length + " with gaps" : "";
  const lastFrame = take.firstFrame + frameCount - 1;
  document.title = take.title + " \u2013 capture player";
  byId("title").textContent = take.title;
  byId("facts").textContent = [
    bones > 0 ? counted(bones, "bone", "bones") : null,
    markers > 0 ? counted(markers, "marker", "markers") + gapped : null,
    take.links && take.links.length > 0 ? counted(take.links.length, "link", "links") : null,
    frameCount === 1 ? "frame " + take.firstFrame : "frames " + take.firstFrame + "\u2013" + lastFrame,
    take.frameRate + " frames/s (" + (frameCount / take.frameRate).toFixed(2) + " s)",
    "units " + take.units,
    "grid " + Number(gridStep.toPrecision(3)) + " " + take.units,
  ]
    .filter((part) => part !== null)
    .join(" \u00b7 ");
  slider.max = String(frameCount - 1);
  showSides();
  if (markers > 0) {
    strip.hidden = false;
    strip.dataset.seen = seen.join(",");
    const summary = withGaps.map((i) => take.nodes[i].name + " " + gapsText(gaps[i]));
    strip.setAttribute(
      "aria-label",
      "markers seen at each frame" + (summary.length > 0 ? "; " + listText(summary, LISTED, "; ") : "")
    );
  }

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

  const colours = take.nodes.map(colourOf);
  let frameIndex = 0;
  let pointer = null; // the pointer over the canvas, in CSS pixels
  let stripHover = null; // the frame under the pointer over the strip, and where it is
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

    // Each bone's line from its parent's joint in its own colour, a path
    // for each colour.
    context.lineWidth = 3;
    context.lineCap = "round";
    for (const colour of [BONE, BONE_LEFT, BONE_RIGHT]) {
      context.strokeStyle = colour;
      context.beginPath();
      take.nodes.forEach((node, i) => {
        if (node.parent >= 0 && colours[i] === colour) line(shown[node.parent], shown[i]);
      });
      context.stroke();
    }

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
      if (take.nodes[i].marker) dot(shown[i], 4.5, colours[i]);
      else dot(shown[i], 3, JOINT);
    }

    if (labels.checked) {
      context.fillStyle = LABEL;
      context.font = "11px system-ui, sans-serif";
      for (const i of order) context.fillText(take.nodes[i].name, shown[i].x + 6, shown[i].y - 6);
    }
    drawStrip();
    showTip();
  }

  // The strip: a bar a frame, full height when every marker is seen, in
  // another colour and as high as the share seen when some are missing, and
  // the frame shown marked. Each column, a device pixel wide, shows the
  // fewest markers seen at the frames it covers, so that a long take hides
  // no gap; frames wide enough get a pixel between them.
  function drawStrip() {
    if (strip.hidden) return;
    const ratio = window.devicePixelRatio || 1;
    const width = Math.max(1, Math.round(strip.clientWidth * ratio));
    const height = Math.max(1, Math.round(strip.clientHeight * ratio));
    if (strip.width !== width || strip.height !== height) {
      strip.width = width;
      strip.height = height;
    }
    const c = stripContext;
    c.fillStyle = BACKGROUND;
    c.fillRect(0, 0, width, height);
    const apart = width / frameCount >= 4;
    for (let x = 0; x < width; x++) {
      const first = Math.floor((x * frameCount) / width);
      const next = Math.floor(((x + 1) * frameCount) / width);
      if (apart && next !== first) continue;
      let least = markers;
      for (let f = first; f < Math.max(next, first + 1); f++) least = Math.min(least, seen[f]);
      const share = Math.max(0.25, least / markers);
      c.fillStyle = least === markers ? ALL_SEEN : SOME_MISSING;
      const bar = Math.round(height * share);
      c.fillRect(x, height - bar, 1, bar);
    }
    const cursor = Math.max(1, Math.round(2 * ratio));
    const at = Math.round(((frameIndex + 0.5) * width) / frameCount - cursor / 2);
    c.fillStyle = STRIP_CURSOR;
    c.fillRect(Math.max(0, Math.min(width - cursor, at)), 0, cursor, height);
  }

  // Over the strip: what it shows of the frame under the pointer, above
  // the strip. Else the name of the node nearest the pointer, when it is
  // near enough, and a marker's gaps.
  function showTip() {
    if (stripHover !== null) {
      const stage = byId("stage").getBoundingClientRect();
      tip.textContent = frameSeenText(stripHover.frame);
      tip.hidden = false;
      const left = stripHover.clientX - stage.left - tip.offsetWidth / 2;
      tip.style.left = Math.max(4, Math.min(stage.width - tip.offsetWidth - 4, left)) + "px";
      tip.style.top = stage.height - tip.offsetHeight - 6 + "px";
      return;
    }
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
    const gapsOf = gaps[nearest];
    tip.textContent = take.nodes[nearest].name + (gapsOf.length > 0 ? "\n" + gapsText(gapsOf) : "");
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
    readout.textContent =
      "frame " + number + " \u00b7 " + (number / take.frameRate).toFixed(3) + " s" +
      (markers > 0 ? " \u00b7 " + seenText(index) : "");
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
    const observer = new ResizeObserver(() => draw());
    observer.observe(canvas);
    observer.observe(strip);
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

  // The strip: hover says what it shows of a frame; press or drag goes there.
  let seeking = false;
  function stripFrameAt(event) {
    const box = strip.getBoundingClientRect();
    const index = Math.floor(((event.clientX - box.left) / box.width) * frameCount);
    return Math.max(0, Math.min(frameCount - 1, index));
  }
  strip.addEventListener("pointermove", (event) => {
    stripHover = { frame: stripFrameAt(event), clientX: event.clientX };
    if (seeking && stripHover.frame !== frameIndex) showFrame(stripHover.frame);
    redraw();
  });
  strip.addEventListener("pointerdown", (event) => {
    seeking = true;
    strip.setPointerCapture(event.pointerId);
    setPlaying(false);
    showFrame(stripFrameAt(event));
    redraw();
  });
  const endSeek = () => {
    seeking = false;
  };
  strip.addEventListener("pointerup", endSeek);
  strip.addEventListener("pointercancel", endSeek);
  strip.addEventListener("pointerleave", () => {
    stripHover = null;
    redraw();
  });

  showFrame(0);
  setPlaying(true);
  redraw();
  // When the page had its take read and first drawn, in ms from the start
  // of its loading: what a person waits before seeing it.
  document.documentElement.dataset.openedMs = String(Math.round(performance.now()));
})();
