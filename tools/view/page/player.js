// The capture player. It reads the take this page holds (the name, parent and
// world position of every drawn node at every frame) and draws it on a canvas
// through a perspective camera that orbits the take's centre or follows the
// figure: bones as lines from their parent's joint, joints and markers as
// dots, left and right in tints of their own. A page of several takes draws
// each in colours of its own and shows or hides each. A strip under the slider
// shows how many markers are seen at each frame, worked out here from the
// positions. A take whose gaps were filled names each marker's filled frames:
// a filled sample is drawn as a ring rather than a dot, and the strip shows
// filled frames in a colour of their own. The code for filled samples sits
// between "#if fills" and "#endif" comment lines, which the page of a take
// with no filled sample goes without. A take with force platforms has each
// drawn as its outline, and the force on it as an arrow from its centre of
// pressure, by the code between "#if forces" and "#endif". It plays at a chosen speed, frame by frame, or
// round a loop, and saves the picture as PNG or the frames played as WebM.
// The scene is z up.
(function () {
  "use strict";

  const BACKGROUND = "#1b1e24";
  const GRID = "#2e333c";
  const BONE = "#f0a030";
  const JOINT = "#fff1d0";
  const MARKER = "#4da3ff";
  const LINK_ALPHA = 0.45;
  // Left and right tints of each kind; view/KindColours.h holds the same.
  const BONE_LEFT = "#ff5a6e";
  const BONE_RIGHT = "#9be35a";
  const MARKER_LEFT = "#ff6eb4";
  const MARKER_RIGHT = "#3fd98a";
  // The second take and those after it: a hue each (bones and markers
  // alike), lighter for the left side and darker for the right, none of
  // them near the first take's colours.
  const TAKE_HUES = [
    { none: "#b48cff", left: "#dcc8ff", right: "#8f5cf5" }, // violet
    { none: "#4fd6d6", left: "#b0f2f0", right: "#1f9fa6" }, // teal
    { none: "#e6dc5a", left: "#f7f2b8", right: "#b0a326" }, // yellow
  ];
  // The strip's bars: a frame at which every marker is seen, one at which
  // some are missing; and the mark of the frame shown.
  const ALL_SEEN = "#4b5362";
  const SOME_MISSING = "#ffd040";
  //#if fills
  // A frame at which some marker is filled and none missing; player.css
  // holds the same as --filled.
  const FILLED = "#c77dff";
  //#endif
  //#if forces
  // A force platform's outline, and the force on it; player.css holds the
  // latter as --force. A force under LEAST_FORCE (in the platforms' force
  // unit) is noise on an empty plate, drawn as no arrow.
  const PLATE = "#7d8796";
  const FORCE = "#ff3b30";
  const LEAST_FORCE = 10;
  const ARROW_HEAD = 10;
  //#endif
  const STRIP_CURSOR = "#ffffff";
  const LISTED = 6; // names or gaps a tip lists before "and N more"
  const LABEL = "#d8dce3";
  const MUTED = "#9aa0aa";
  const FIELD_OF_VIEW = (40 * Math.PI) / 180;
  const HOVER_PIXELS = 10;
  const SPEEDS = [0.25, 0.5, 1, 1.5, 2];

  const byId = (id) => document.getElementById(id);
  const canvas = byId("view");
  const context = canvas.getContext("2d");
  const tip = byId("tip");
  const playButton = byId("play");
  const slider = byId("slider");
  const readout = byId("frame");
  const labels = byId("labels");
  const follow = byId("follow");
  const speedSelect = byId("speed");
  const rangeOutput = byId("range");
  const clearButton = byId("clear");
  const webmButton = byId("webm");
  const strip = byId("gaps");
  const stripContext = strip.getContext("2d");
  // What a recording disables: all that would move the frame or the clock.
  const transport = ["play", "back", "forward", "slider", "speed", "in", "out", "clear", "png", "webm"]
    .map(byId);

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
    transport.forEach((control) => (control.disabled = true));
    return;
  }

  const nodeCount = take.nodes.length;
  const frameCount = take.frameCount;
  // The takes on the page, each with the page frames that show one of its
  // frames; a page of one take is a take of every frame.
  const takes = take.takes || [{ title: take.title }];
  takes.forEach((t) => (t.pageFrames = t.pageFrames || [0, frameCount - 1]));
  const takeOf = (i) => take.nodes[i].take || 0;
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
  // marker is missing): how many are seen at each frame, how many could be
  // (the markers of the takes with a frame there), and each marker's gaps
  // as [first, last] frame indices. A take with no frame at a page frame
  // misses nothing there.
  function markersSeen() {
    const seen = new Array(frameCount).fill(0);
    const present = new Array(frameCount).fill(0);
    const gaps = take.nodes.map(() => []);
    take.nodes.forEach((node, i) => {
      if (!node.marker) return;
      const [first, last] = takes[takeOf(i)].pageFrames;
      let start = -1;
      for (let f = first; f <= last; f++) {
        present[f]++;
        if (isMissing(i, f)) {
          if (start < 0) start = f;
          continue;
        }
        seen[f]++;
        if (start >= 0) gaps[i].push([start, f - 1]);
        start = -1;
      }
      if (start >= 0) gaps[i].push([start, last]);
    });
    return { seen, present, gaps };
  }

  function isMissing(node, frame) {
    return Number.isNaN(take.positions[(frame * nodeCount + node) * 3]);
  }
  //#if fills

  // Each node's filled runs as [first, last, method], first and last frame
  // indices, from the frame numbers the take names them by; and how many
  // markers are filled at each frame.
  const filledRuns = take.nodes.map((node) =>
    (node.filled || []).map(([first, last, method]) => [first - take.firstFrame, last - take.firstFrame, method]));
  const filledCount = new Array(frameCount).fill(0);
  filledRuns.forEach((runs) => runs.forEach(([first, last]) => {
    for (let f = Math.max(0, first); f <= Math.min(frameCount - 1, last); f++) filledCount[f]++;
  }));
  const isFilled = (node, frame) => filledRuns[node].some(([first, last]) => first <= frame && frame <= last);
  // Whether a marker is filled at a frame from `first` up to, not at, `next`.
  const filledWithin = (first, next) => filledCount.slice(first, next).some((n) => n > 0);

  // "filled 18\u201322 (rigid)", "filled 3 (linear) and 18\u201322 (rigid)".
  function filledText(runs) {
    return "filled " + listText(runs.map(([first, last, method]) => framesText(first, last) + " (" + method + ")"), LISTED);
  }
  //#endif
  //#if forces

  // The platforms' corners (12 numbers a platform), and at each frame each
  // platform's force and centre of pressure, six floats.
  const plates = take.plates;
  const plateCount = plates.corners.length;
  const plateSamples = decodeFloats(plates.samples);
  const forceAt = (frame, plate) => {
    const at = (frame * plateCount + plate) * 6;
    return at + 6 <= plateSamples.length ? plateSamples.subarray(at, at + 6) : null;
  };
  //#endif

  function hasFrame(node, frame) {
    const [first, last] = takes[takeOf(node)].pageFrames;
    return first <= frame && frame <= last;
  }

  // Frames as the caption and readout number them.
  function framesText(first, last) {
    const number = (index) => take.firstFrame + index;
    return first === last ? String(number(first)) : number(first) + "\u2013" + number(last);
  }

  // "missing at frames 18\u201322", "missing at frames 3 and 18\u201322".
  function gapsText(runs, node) {
    const [first, last] = takes[takeOf(node)].pageFrames;
    if (runs.length === 1 && runs[0][0] === first && runs[0][1] === last) {
      return "missing at every frame";
    }
    const one = runs.length === 1 && runs[0][0] === runs[0][1];
    const listed = listText(runs.map((run) => framesText(run[0], run[1])), LISTED);
    return "missing at frame" + (one ? " " : "s ") + listed;
  }

  function seenText(index) {
    //#if fills
    if (filledCount[index] > 0) {
      return seen[index] - filledCount[index] + " of " + counted(present[index], "marker", "markers") +
        " seen, " + filledCount[index] + " filled";
    }
    //#endif
    return seen[index] + " of " + counted(present[index], "marker", "markers") + " seen";
  }

  // What the strip says of a frame: how many markers are seen, which not.
  function frameSeenText(index) {
    const missing = take.nodes.filter((node, i) => node.marker && isMissing(i, index) && hasFrame(i, index));
    let text = "frame " + framesText(index, index) + ": " + seenText(index);
    if (missing.length > 0) text += "\nmissing " + listText(missing.map((n) => n.name), LISTED);
    //#if fills
    const filled = take.nodes.map((n, i) => i).filter((i) => isFilled(i, index));
    const named = filled.map((i) => take.nodes[i].name + " (" + filledRuns[i].find(([a, b]) => a <= index && index <= b)[2] + ")");
    if (filled.length > 0) text += "\nfilled " + listText(named, LISTED);
    //#endif
    return text;
  }

  function colourOf(node) {
    const k = node.take || 0;
    if (k > 0) return TAKE_HUES[(k - 1) % TAKE_HUES.length][node.side || "none"] || TAKE_HUES[0].none;
    if (node.side === "left") return node.marker ? MARKER_LEFT : BONE_LEFT;
    if (node.side === "right") return node.marker ? MARKER_RIGHT : BONE_RIGHT;
    return node.marker ? MARKER : BONE;
  }

  // The colour a take is named in: its bones', else its markers'.
  function takeColour(k) {
    return colourOf({ take: k, marker: !take.nodes.some((n, i) => takeOf(i) === k && !n.marker) });
  }

  // The caption names the side colours when the first take has sided
  // nodes, in the markers' tints if any marker is sided.
  function showSides() {
    const sided = take.nodes.filter((n, i) => takeOf(i) === 0 && (n.side === "left" || n.side === "right"));
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

  //#if fills
  // The caption says how many markers and frames were filled, "filled" in
  // the strip's colour for them.
  function showFilled() {
    const markersFilled = filledRuns.filter((runs) => runs.length > 0).length;
    if (markersFilled === 0) return;
    const framesFilled = filledCount.filter((n) => n > 0).length;
    const word = document.createElement("span");
    word.className = "filled";
    word.textContent = "filled";
    byId("facts").append(" \u00b7 ", word, " " + counted(markersFilled, "marker", "markers") + " at " +
      counted(framesFilled, "frame", "frames"));
  }

  //#endif
  //#if forces
  // The caption gives the arrows' scale, "force" in their colour: "force:
  // 1 m = 1000 N".
  function showForces() {
    const word = document.createElement("span");
    word.className = "force";
    word.textContent = "force";
    const perMetre = Number((plates.unitsPerMetre / plates.lengthPerForce).toPrecision(3));
    byId("facts").append(" \u00b7 ", word, ": 1 m = " + perMetre + " " + plates.forceUnit);
  }

  //#endif
  // A page of several takes: a check box for each, named in its colour,
  // that shows or hides it. "#hide=1,2" in the page's address hides those.
  const showing = takes.map(() => true);
  function showTakes() {
    if (!take.takes) return;
    const line = byId("takes");
    line.hidden = false;
    line.append("takes: ");
    const hidden = (new URLSearchParams(location.hash.slice(1)).get("hide") || "").split(",");
    takes.forEach((t, k) => {
      const box = document.createElement("input");
      box.type = "checkbox";
      box.checked = !hidden.includes(String(k));
      box.dataset.take = String(k);
      const change = () => {
        showing[k] = box.checked;
        redraw();
      };
      box.addEventListener("change", change);
      const label = document.createElement("label");
      label.style.color = takeColour(k);
      label.title = "frames " + t.firstFrame + "\u2013" + (t.firstFrame + t.frameCount - 1) +
        " at " + t.frameRate + " frames/s";
      label.append(box, " " + t.title);
      line.append(label);
      change();
    });
    const aligned = alignmentText();
    if (aligned !== "") line.append(" \u00b7 " + aligned);
  }

  // How the takes play together, when it is not by frame number at one
  // rate: "aligned by time: 60 Hz and 100 Hz", "aligned by frame number: 60
  // Hz and 100 Hz" (as asked for), "aligned by time".
  function alignmentText() {
    const rates = [...new Set(takes.map((t) => t.frameRate))];
    const byTime = take.alignedBy === "time";
    if (!byTime && rates.length < 2) return "";
    const said = "aligned by " + (byTime ? "time" : "frame number");
    return rates.length < 2 ? said : said + ": " + listText(rates.map((r) => r + " Hz"), LISTED);
  }

  const bones = take.nodes.filter((n) => !n.marker).length;
  const markers = nodeCount - bones;
  const counted = (n, one, many) => n + " " + (n === 1 ? one : many);
  const { seen, present, gaps } = markersSeen();
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
  //#if fills
  showFilled();
  //#endif
  //#if forces
  showForces();
  //#endif
  if (markers > 0) {
    strip.hidden = false;
    strip.dataset.seen = seen.join(",");
    const summary = withGaps.map((i) => take.nodes[i].name + " " + gapsText(gaps[i], i));
    strip.setAttribute(
      "aria-label",
      "markers seen at each frame" + (summary.length > 0 ? "; " + listText(summary, LISTED, "; ") : "")
    );
    //#if fills
    strip.dataset.filled = filledCount.join(",");
    const filled = take.nodes.map((n, i) => i).filter((i) => filledRuns[i].length > 0);
    if (filled.length > 0) {
      const said = filled.map((i) => take.nodes[i].name + " " + filledText(filledRuns[i]));
      strip.setAttribute("aria-label", strip.getAttribute("aria-label") + "; " + listText(said, LISTED, "; "));
    }
    //#endif
  }

  // The mean of the nodes seen at `frame` of the takes shown; null when
  // none is seen there.
  function centreAt(frame) {
    const sum = [0, 0, 0];
    let n = 0;
    for (let i = 0; i < nodeCount; i++) {
      if (!showing[takeOf(i)] || isMissing(i, frame)) continue;
      for (let c = 0; c < 3; c++) sum[c] += take.positions[(frame * nodeCount + i) * 3 + c];
      n++;
    }
    return n > 0 ? sum.map((v) => v / n) : null;
  }

  // The figure's size: how far its nodes reach from their mean, at the
  // middle of up to 200 frames spread over the take, so that a stray
  // marker at a few frames does not shrink the figure in view.
  function figureRadius() {
    const reaches = [];
    const step = Math.max(1, Math.floor(frameCount / 200));
    for (let f = 0; f < frameCount; f += step) {
      const mean = centreAt(f);
      if (mean === null) continue;
      let most = 0;
      for (let i = 0; i < nodeCount; i++) {
        if (!showing[takeOf(i)] || isMissing(i, f)) continue;
        const at = (f * nodeCount + i) * 3;
        const p = take.positions;
        most = Math.max(most, Math.hypot(p[at] - mean[0], p[at + 1] - mean[1], p[at + 2] - mean[2]));
      }
      reaches.push(most);
    }
    reaches.sort((a, b) => a - b);
    return Math.max(reaches.length > 0 ? reaches[reaches.length >> 1] : radius, radius * 1e-3);
  }

  // The camera: on a sphere round its target, looking at it: the take's
  // centre, or, following, the figure's at the frame shown, near enough
  // for the figure to fill the view, however far it walks. At first it
  // looks across the take's longer way over the floor (the way a walk
  // goes), a little from the front, so that the motion is seen side on.
  const camera = { yaw: 0, pitch: 0, distance: 0, target: centre };
  const alongX = bounds.high[0] - bounds.low[0] >= bounds.high[1] - bounds.low[1];
  function frameTheTake() {
    camera.yaw = ((alongX ? -60 : -30) * Math.PI) / 180;
    camera.pitch = (12 * Math.PI) / 180;
    fit();
  }
  function fit() {
    const around = follow.checked ? figureRadius() : radius;
    camera.distance = (around / Math.sin(FIELD_OF_VIEW / 2)) * 1.05;
    camera.target = follow.checked ? centreAt(frameIndex) || camera.target : centre;
  }

  // A projection of scene points to canvas pixels (CSS pixels) for the
  // camera as it is and a canvas `width` by `height`: `point` gives null
  // for a point behind the camera, `segment` draws the part of a line in
  // front of it.
  function projection(width, height) {
    const cp = Math.cos(camera.pitch);
    const sp = Math.sin(camera.pitch);
    const cy = Math.cos(camera.yaw);
    const sy = Math.sin(camera.yaw);
    const back = [cp * cy, cp * sy, sp]; // from the target towards the eye
    const right = [-sy, cy, 0];
    const up = [-sp * cy, -sp * sy, cp];
    const eye = [0, 1, 2].map((c) => camera.target[c] + camera.distance * back[c]);
    const focal = Math.min(width, height) / 2 / Math.tan(FIELD_OF_VIEW / 2);
    const near = radius * 1e-3;
    // [across, up, depth] in the camera's axes.
    const toCamera = (x, y, z) => {
      const d = [x - eye[0], y - eye[1], z - eye[2]];
      const dot = (v) => d[0] * v[0] + d[1] * v[1] + d[2] * v[2];
      return [dot(right), dot(up), -dot(back)];
    };
    const toCanvas = (v) => ({
      x: width / 2 + (v[0] * focal) / v[2],
      y: height / 2 - (v[1] * focal) / v[2],
      depth: v[2],
    });
    return {
      point(x, y, z) {
        const v = toCamera(x, y, z);
        return v[2] > near ? toCanvas(v) : null;
      },
      segment(a, b) {
        let u = toCamera(...a);
        let v = toCamera(...b);
        if (u[2] <= near && v[2] <= near) return;
        if (u[2] < near || v[2] < near) {
          const t = (near - u[2]) / (v[2] - u[2]);
          const cut = u.map((value, c) => value + t * (v[c] - value));
          if (u[2] < near) u = cut;
          else v = cut;
        }
        line(toCanvas(u), toCanvas(v));
      },
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
      project.segment([x, y0, floor], [x, y1, floor]);
    }
    for (let y = y0; y <= y1 + gridStep / 2; y += gridStep * every) {
      project.segment([x0, y, floor], [x1, y, floor]);
    }
    context.stroke();
  }

  function dot(point, radius, colour) {
    context.fillStyle = colour;
    context.beginPath();
    context.arc(point.x, point.y, radius, 0, 2 * Math.PI);
    context.fill();
  }
  //#if fills

  // A dot's outline only, as wide as the dot: a filled sample.
  function ring(point, radius, colour) {
    const width = 1.5;
    context.strokeStyle = colour;
    context.lineWidth = width;
    context.beginPath();
    context.arc(point.x, point.y, radius - width / 2, 0, 2 * Math.PI);
    context.stroke();
  }
  //#endif
  //#if forces

  // Each platform's outline, a quadrilateral from corner to corner.
  function drawPlates(project) {
    context.strokeStyle = PLATE;
    context.lineWidth = 1.5;
    context.beginPath();
    for (const c of plates.corners) {
      for (let k = 0; k < 4; k++) {
        const next = (k + 1) % 4;
        project.segment([c[3 * k], c[3 * k + 1], c[3 * k + 2]], [c[3 * next], c[3 * next + 1], c[3 * next + 2]]);
      }
    }
    context.stroke();
  }

  // A line from `from` to `to` (canvas points) with a head at `to`.
  function arrow(from, to) {
    const angle = Math.atan2(to.y - from.y, to.x - from.x);
    context.beginPath();
    context.moveTo(from.x, from.y);
    context.lineTo(to.x, to.y);
    context.stroke();
    context.beginPath();
    context.moveTo(to.x, to.y);
    for (const side of [-0.45, 0.45]) {
      context.lineTo(to.x - ARROW_HEAD * Math.cos(angle + side), to.y - ARROW_HEAD * Math.sin(angle + side));
    }
    context.closePath();
    context.fill();
  }

  // The force on each platform at the frame shown, from its centre of
  // pressure, lengthPerForce page units a force unit; none on a platform
  // with no centre of pressure or too little force. The canvas says how
  // many are drawn.
  function drawForces(project) {
    context.strokeStyle = FORCE;
    context.fillStyle = FORCE;
    context.lineWidth = 3;
    let drawn = 0;
    for (let p = 0; p < plateCount; p++) {
      const s = forceAt(frameIndex, p);
      if (s === null || Number.isNaN(s[3]) || Math.hypot(s[0], s[1], s[2]) < LEAST_FORCE) continue;
      const k = plates.lengthPerForce;
      const from = project.point(s[3], s[4], s[5]);
      const to = project.point(s[3] + k * s[0], s[4] + k * s[1], s[5] + k * s[2]);
      if (from === null || to === null) continue;
      arrow(from, to);
      drawn++;
    }
    canvas.dataset.arrows = String(drawn);
  }
  //#endif

  // Names beside their dots, nearest first, each left out where its box
  // would overprint one already written; the canvas says how many were.
  function drawLabels(order) {
    context.font = "11px system-ui, sans-serif";
    const placed = [];
    let leftOut = 0;
    for (const i of order.slice().reverse()) {
      const name = take.nodes[i].name;
      const x = shown[i].x + 6;
      const y = shown[i].y - 6;
      const box = [x, y - 10, x + context.measureText(name).width, y + 3];
      if (placed.some((b) => box[0] < b[2] && b[0] < box[2] && box[1] < b[3] && b[1] < box[3])) {
        leftOut++;
        continue;
      }
      placed.push(box);
      context.fillStyle = LABEL;
      context.fillText(name, x, y);
    }
    canvas.dataset.labelsLeftOut = String(leftOut);
    if (leftOut > 0) {
      context.fillStyle = MUTED;
      context.fillText(counted(leftOut, "label", "labels") + " left out where names would overlap", 8, 16);
    }
  }

  const colours = take.nodes.map(colourOf);
  // The bones of each colour, drawn as one path.
  const bonesByColour = new Map();
  take.nodes.forEach((node, i) => {
    if (node.parent < 0) return;
    if (!bonesByColour.has(colours[i])) bonesByColour.set(colours[i], []);
    bonesByColour.get(colours[i]).push(i);
  });
  let frameIndex = 0;
  let pointer = null; // the pointer over the canvas, in CSS pixels
  let stripHover = null; // the frame under the pointer over the strip, and where it is
  let shown = []; // the nodes' points as last drawn (null: not drawn)
  frameTheTake();

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
    if (follow.checked) camera.target = centreAt(frameIndex) || camera.target;
    const project = projection(width, height);
    drawGrid(project);
    //#if forces
    drawPlates(project);
    //#endif

    const base = frameIndex * nodeCount * 3;
    const p = take.positions;
    shown = take.nodes.map((node, i) => {
      const at = base + 3 * i;
      return !showing[takeOf(i)] || Number.isNaN(p[at]) ? null : project.point(p[at], p[at + 1], p[at + 2]);
    });

    // Each bone's line from its parent's joint in its own colour.
    context.lineWidth = 3;
    context.lineCap = "round";
    for (const [colour, drawn] of bonesByColour) {
      context.strokeStyle = colour;
      context.beginPath();
      for (const i of drawn) line(shown[take.nodes[i].parent], shown[i]);
      context.stroke();
    }

    // Links between markers, under the dots, in the colour of their take's
    // markers; a link is drawn while both its markers are seen.
    context.globalAlpha = LINK_ALPHA;
    context.lineWidth = 1.5;
    takes.forEach((t, k) => {
      context.strokeStyle = colourOf({ take: k, marker: true });
      context.beginPath();
      for (const [a, b] of take.links || []) if (takeOf(a) === k) line(shown[a], shown[b]);
      context.stroke();
    });
    context.globalAlpha = 1;

    // Far dots first, so that near ones cover them.
    const order = shown
      .map((point, i) => i)
      .filter((i) => shown[i] !== null)
      .sort((a, b) => shown[b].depth - shown[a].depth);
    //#if fills
    let rings = 0;
    //#endif
    for (const i of order) {
      //#if fills
      if (isFilled(i, frameIndex)) {
        ring(shown[i], 4.5, colours[i]);
        rings++;
        continue;
      }
      //#endif
      if (take.nodes[i].marker) dot(shown[i], 4.5, colours[i]);
      else dot(shown[i], 3, JOINT);
    }
    // Where the figure is drawn: the box round its dots, in CSS pixels.
    const xs = order.map((i) => shown[i].x);
    const ys = order.map((i) => shown[i].y);
    canvas.dataset.drawn = order.length === 0 ? "" :
      [Math.min(...xs), Math.min(...ys), Math.max(...xs), Math.max(...ys)].map(Math.round).join(",");
    //#if fills
    canvas.dataset.rings = String(rings);
    //#endif
    //#if forces
    drawForces(project);
    //#endif

    if (labels.checked) drawLabels(order);
    drawStrip();
    showTip();
  }

  // The strip: a bar a frame, full height when every marker is seen (in a
  // colour of its own when some are filled), in another colour and as high
  // as the share seen when some are missing, and
  // the frame shown marked; frames outside the loop dimmed. Each column, a
  // device pixel wide, shows the least share seen at the frames it covers,
  // so that a long take hides no gap; frames wide enough get a pixel
  // between them. A frame with no take that has markers stays empty.
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
    const columnOf = (index) => Math.round((index * width) / frameCount);
    for (let x = 0; x < width; x++) {
      const first = Math.floor((x * frameCount) / width);
      const next = Math.floor(((x + 1) * frameCount) / width);
      if (apart && next !== first) continue;
      let least = 1;
      let counts = false;
      for (let f = first; f < Math.max(next, first + 1); f++) {
        if (present[f] === 0) continue;
        counts = true;
        least = Math.min(least, seen[f] / present[f]);
      }
      if (!counts) continue;
      c.fillStyle = least === 1 ? ALL_SEEN : SOME_MISSING;
      //#if fills
      if (least === 1 && filledWithin(first, Math.max(next, first + 1))) c.fillStyle = FILLED;
      //#endif
      const bar = Math.round(height * Math.max(0.25, least));
      c.fillRect(x, height - bar, 1, bar);
    }
    if (looping()) {
      const [lo, hi] = span();
      c.fillStyle = "rgba(27, 30, 36, 0.7)";
      c.fillRect(0, 0, columnOf(lo), height);
      c.fillRect(columnOf(hi + 1), 0, width, height);
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
    tip.textContent = take.nodes[nearest].name + (gapsOf.length > 0 ? "\n" + gapsText(gapsOf, nearest) : "");
    //#if fills
    if (filledRuns[nearest].length > 0) tip.textContent += "\n" + filledText(filledRuns[nearest]);
    //#endif
    tip.style.left = shown[nearest].x + 10 + "px";
    tip.style.top = shown[nearest].y - 28 + "px";
    tip.hidden = false;
  }

  // Playing: the frame shown follows the clock, at the take's frame rate
  // times the speed, from the frame shown when play was pressed, round the
  // loop (every frame when none is set). A timer drives it rather than
  // animation frames, which a browser does not give a page it renders
  // without a screen.
  let playing = false;
  let recording = null; // the recorder while the frames are recorded
  let speed = 1;
  let loopIn = null;
  let loopOut = null;
  let clockStart = 0;
  let clockFrame = 0;
  let dirty = true;
  let scheduled = false;

  const looping = () => loopIn !== null || loopOut !== null;
  const span = () => [loopIn === null ? 0 : loopIn, loopOut === null ? frameCount - 1 : loopOut];

  // "frame 19 \u00b7 0.300 s": the frame shown as the file numbers it, and
  // its time as the file gives it, counted on from its first frame's.
  function frameText(index) {
    return "frame " + (take.firstFrame + index) + " \u00b7 " +
      (take.startTime + index / take.frameRate).toFixed(3) + " s";
  }

  function showFrame(index) {
    frameIndex = index;
    slider.value = String(index);
    readout.textContent = frameText(index) + (markers > 0 ? " \u00b7 " + seenText(index) : "");
    dirty = true;
  }

  function tick() {
    scheduled = false;
    if (playing) {
      const steps = Math.floor(((performance.now() - clockStart) / 1000) * take.frameRate * speed);
      const [lo, hi] = span();
      if (recording !== null && clockFrame + steps > hi) {
        stopRecording();
      } else {
        const index =
          recording !== null ? clockFrame + steps : lo + ((clockFrame - lo + steps) % (hi - lo + 1));
        if (index !== frameIndex) showFrame(index);
      }
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

  // Starts the clock again from the frame shown (in the loop, else at its
  // first frame) when playing, or stops it.
  function setPlaying(on) {
    playing = on && (frameCount > 1 || recording !== null);
    const [lo, hi] = span();
    if (playing && (frameIndex < lo || frameIndex > hi)) showFrame(lo);
    clockStart = performance.now();
    clockFrame = frameIndex;
    playButton.textContent = playing ? "Pause" : "Play";
    playButton.setAttribute("aria-pressed", String(playing));
    schedule();
  }

  function step(by) {
    setPlaying(false);
    showFrame((frameIndex + by + frameCount) % frameCount);
    redraw();
  }

  function setSpeed(index) {
    speed = SPEEDS[Math.max(0, Math.min(SPEEDS.length - 1, index))];
    speedSelect.value = String(speed);
    setPlaying(playing);
  }

  // The loop: from the in point to the out point; an in point after the
  // out point (or an out point before the in point) drops the other.
  function setLoop(from, to) {
    loopIn = from;
    loopOut = to;
    rangeOutput.textContent = looping() ? framesText(...span()) : "";
    clearButton.hidden = !looping();
    setPlaying(playing);
    redraw();
  }
  const loopFromHere = () => setLoop(frameIndex, loopOut !== null && loopOut < frameIndex ? null : loopOut);
  const loopToHere = () => setLoop(loopIn !== null && loopIn > frameIndex ? null : loopIn, frameIndex);

  function setFollow(on) {
    follow.checked = on;
    fit();
    redraw();
  }

  function toggleLabels() {
    labels.checked = !labels.checked;
    redraw();
  }

  // Saving: a file the browser downloads, named after the (first) take's
  // file without its extension.
  const stem = takes[0].title.replace(/\.[^.]*$/, "") || "take";
  function save(blob, name) {
    const link = document.createElement("a");
    link.href = URL.createObjectURL(blob);
    link.download = name;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  }

  // The picture as drawn, with the take's name, the frame and its time in
  // its lower left corner on a dark band, so that the file says what it
  // shows wherever it goes.
  function captionedPicture() {
    const picture = document.createElement("canvas");
    picture.width = canvas.width;
    picture.height = canvas.height;
    const c = picture.getContext("2d");
    c.drawImage(canvas, 0, 0);
    const ratio = canvas.width / Math.max(1, canvas.clientWidth);
    c.setTransform(ratio, 0, 0, ratio, 0, 0);
    const text = take.title + " \u00b7 " + frameText(frameIndex);
    c.font = "13px system-ui, sans-serif";
    const bottom = canvas.height / ratio;
    c.fillStyle = "rgba(0, 0, 0, 0.6)";
    c.fillRect(6, bottom - 28, c.measureText(text).width + 12, 22);
    c.fillStyle = LABEL;
    c.fillText(text, 12, bottom - 12);
    return picture;
  }

  function savePicture() {
    draw();
    const name = stem + "-frame" + (take.firstFrame + frameIndex) + ".png";
    captionedPicture().toBlob((blob) => blob && save(blob, name), "image/png");
  }

  // The frames of the loop (every frame when none is set), played once at
  // the speed chosen and recorded as the browser's MediaRecorder encodes
  // the canvas. Nothing that would move the frame can be used meanwhile.
  const canRecord = typeof MediaRecorder === "function" && typeof canvas.captureStream === "function" &&
    MediaRecorder.isTypeSupported("video/webm");
  if (!canRecord) {
    webmButton.title = "this browser cannot record the canvas as video";
    transport.pop();
    webmButton.disabled = true;
  }
  function record() {
    const [lo, hi] = span();
    const name = stem + "-frames" + (take.firstFrame + lo) + "-" + (take.firstFrame + hi) + ".webm";
    const stream = canvas.captureStream();
    const chunks = [];
    setPlaying(false);
    showFrame(lo);
    draw();
    recording = new MediaRecorder(stream, { mimeType: "video/webm" });
    recording.addEventListener("dataavailable", (event) => chunks.push(event.data));
    recording.addEventListener("stop", () => {
      stream.getTracks().forEach((track) => track.stop());
      save(new Blob(chunks, { type: "video/webm" }), name);
      recording = null;
      transport.forEach((control) => (control.disabled = false));
      webmButton.classList.remove("recording");
      webmButton.textContent = "WebM";
    });
    transport.forEach((control) => (control.disabled = true));
    webmButton.classList.add("recording");
    webmButton.textContent = "\u25cf recording " + framesText(lo, hi);
    recording.start();
    setPlaying(true);
  }

  function stopRecording() {
    playing = false;
    playButton.textContent = "Play";
    playButton.setAttribute("aria-pressed", "false");
    if (recording.state === "recording") recording.stop();
  }

  playButton.addEventListener("click", () => setPlaying(!playing));
  byId("back").addEventListener("click", () => step(-1));
  byId("forward").addEventListener("click", () => step(1));
  slider.addEventListener("input", () => {
    setPlaying(false);
    showFrame(Number(slider.value));
    redraw();
  });
  speedSelect.addEventListener("change", () => setSpeed(SPEEDS.indexOf(Number(speedSelect.value))));
  follow.addEventListener("change", () => setFollow(follow.checked));
  labels.addEventListener("change", redraw);
  byId("in").addEventListener("click", loopFromHere);
  byId("out").addEventListener("click", loopToHere);
  clearButton.addEventListener("click", () => setLoop(null, null));
  byId("png").addEventListener("click", savePicture);
  webmButton.addEventListener("click", record);
  // Drawn again at once when the canvas changes size, within the same
  // rendering step, so that no stretched picture is ever shown.
  if (typeof ResizeObserver === "function") {
    const observer = new ResizeObserver(() => draw());
    observer.observe(canvas);
    observer.observe(strip);
  } else {
    window.addEventListener("resize", () => draw());
  }

  // Every key the page takes, as the hint under the picture lists them.
  const keys = {
    " ": () => setPlaying(!playing),
    ",": () => step(-1),
    ".": () => step(1),
    ArrowLeft: () => step(-1),
    ArrowRight: () => step(1),
    "-": () => setSpeed(SPEEDS.indexOf(speed) - 1),
    "+": () => setSpeed(SPEEDS.indexOf(speed) + 1),
    "=": () => setSpeed(SPEEDS.indexOf(speed) + 1),
    i: loopFromHere,
    o: loopToHere,
    x: () => setLoop(null, null),
    f: () => setFollow(!follow.checked),
    n: toggleLabels,
  };
  window.addEventListener("keydown", (event) => {
    const target = event.target;
    // The slider and the speed take their own keys, a focused button or
    // check box the space bar and Enter.
    if (target === slider || target === speedSelect) return;
    const own = event.key === " " || event.key === "Enter";
    if (own && target instanceof HTMLElement && target.matches("button, input")) return;
    if (event.ctrlKey || event.metaKey || event.altKey) return;
    const action = keys[event.key.length === 1 ? event.key.toLowerCase() : event.key];
    if (action === undefined) return;
    event.preventDefault();
    // What a recording would not take: all but showing, following and names.
    if (recording === null || action === toggleLabels || event.key.toLowerCase() === "f") action();
  });

  // Orbit by dragging, zoom with the wheel, frame the take (or the figure,
  // following) again on a double click.
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
      const least = radius * 0.02;
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
    if (recording !== null) return;
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

  showTakes();
  showFrame(0);
  setPlaying(true);
  redraw();
  // When the page had its take read and first drawn, in ms from the start
  // of its loading: what a person waits before seeing it.
  document.documentElement.dataset.openedMs = String(Math.round(performance.now()));
})();
