// The page's script: starts the module (vortex.js, createVortex), runs it from
// the two fields, and shows what a run gives: the pressure plot, the lift, the
// records of rezult.txt and the console's text. The plots are SVG drawn here.
"use strict";

(function () {
  const SVG = "http://www.w3.org/2000/svg";
  const THEORY = 1.09265;  // thin-airfoil theory's lift for this camber line
  const MAX_COUNT = 201;
  const COLOURS = ["#1f5fa8", "#c0392b", "#2e8b57", "#8e44ad", "#d35400", "#16a085", "#7f6000"];

  const $ = (id) => document.getElementById(id);
  const form = $("run-form");
  const status = $("status");
  let vortex = null;      // the module, once started
  let records = "";       // the last run's rezult.txt
  let runs = [];          // the runs on the pressure plot
  let sweeping = false;

  function say(text) { status.textContent = text; }

  // ---- Drawing ----------------------------------------------------------------

  function node(name, attributes, parent) {
    const e = document.createElementNS(SVG, name);
    for (const [key, value] of Object.entries(attributes)) e.setAttribute(key, value);
    if (parent) parent.appendChild(e);
    return e;
  }

  // About six round steps across [lo, hi].
  function ticks(lo, hi) {
    const raw = (hi - lo) / 6;
    const power = Math.pow(10, Math.floor(Math.log10(raw)));
    const step = [1, 2, 5, 10].map((m) => m * power).find((s) => s >= raw);
    const list = [];
    for (let t = Math.ceil(lo / step) * step; t <= hi + step * 1e-9; t += step)
      list.push(Math.abs(t) < step * 1e-9 ? 0 : t);
    return { list, digits: Math.max(0, -Math.floor(Math.log10(step))) };
  }

  // A frame with axes, grid and labels for x in xr and y in yr (yr[0] at the
  // bottom, so an inverted range puts suction upward); returns the mapping.
  function frame(svg, xr, yr, xlabel, ylabel) {
    svg.replaceChildren();
    // As wide as the plot is shown, so that its text keeps its size on a phone.
    const width = Math.max(300, Math.min(900, svg.clientWidth || 640));
    const height = Math.round(width * Number(svg.dataset.aspect));
    svg.setAttribute("viewBox", `0 0 ${width} ${height}`);
    const left = 64, right = width - 16, top = 16, bottom = height - 48;
    const sx = (x) => left + ((x - xr[0]) / (xr[1] - xr[0])) * (right - left);
    const sy = (y) => bottom - ((y - yr[0]) / (yr[1] - yr[0])) * (bottom - top);
    const grid = node("g", { class: "grid" }, svg);
    const xt = ticks(xr[0], xr[1]);
    for (const t of xt.list) {
      node("line", { x1: sx(t), x2: sx(t), y1: top, y2: bottom }, grid);
      node("text", { x: sx(t), y: bottom + 18, class: "tick x" }, svg).textContent =
        t.toFixed(xt.digits);
    }
    const ylo = Math.min(yr[0], yr[1]), yhi = Math.max(yr[0], yr[1]);
    const yt = ticks(ylo, yhi);
    for (const t of yt.list) {
      node("line", { x1: left, x2: right, y1: sy(t), y2: sy(t) }, grid);
      node("text", { x: left - 6, y: sy(t) + 4, class: "tick y" }, svg).textContent =
        t.toFixed(yt.digits);
    }
    node("rect", { x: left, y: top, width: right - left, height: bottom - top, class: "axes" }, svg);
    node("text", { x: (left + right) / 2, y: height - 8, class: "label" }, svg).textContent =
      xlabel;
    node("text", { x: 16, y: (top + bottom) / 2, class: "label",
                   transform: `rotate(-90 16 ${(top + bottom) / 2})` }, svg).textContent = ylabel;
    return { sx, sy };
  }

  // The y range of the finite values with a margin of 6 %, 0.5 for one value.
  function span(values) {
    const finite = values.filter(Number.isFinite);
    if (finite.length === 0) return [-1, 1];
    let lo = Math.min(...finite), hi = Math.max(...finite);
    const pad = hi > lo ? (hi - lo) * 0.06 : 0.5;
    return [lo - pad, hi + pad];
  }

  // A curve through the points with a finite y, broken where y is not, and a
  // point on each.
  function curve(parent, map, xs, ys, colour, radius) {
    const g = node("g", { class: "run", stroke: colour, fill: colour }, parent);
    let path = "";
    let pen = "M";
    for (let i = 0; i < xs.length; ++i) {
      if (!Number.isFinite(ys[i])) { pen = "M"; continue; }
      path += `${pen}${map.sx(xs[i]).toFixed(2)},${map.sy(ys[i]).toFixed(2)}`;
      pen = "L";
    }
    node("path", { d: path, fill: "none" }, g);
    for (let i = 0; i < xs.length; ++i)
      if (Number.isFinite(ys[i]))
        node("circle", { cx: map.sx(xs[i]), cy: map.sy(ys[i]), r: radius, class: "point" }, g);
    return g;
  }

  function drawPressure() {
    const svg = $("cp-plot");
    const all = runs.flatMap((r) => Array.from(r.cp));
    const [lo, hi] = span(all);
    const map = frame(svg, [-0.03, 1.03], [hi, lo], "x/c", "Cp");
    const legend = $("cp-legend");
    legend.replaceChildren();
    runs.forEach((r, i) => {
      curve(svg, map, Array.from(r.x), Array.from(r.cp), r.colour, 2.5).dataset.run = i;
      const item = document.createElement("li");
      const swatch = document.createElement("span");
      swatch.className = "swatch";
      swatch.style.background = r.colour;
      item.append(swatch, r.label);
      legend.appendChild(item);
    });
    $("clear").disabled = runs.length === 0;
  }

  const sweep = { counts: [], lifts: [] };

  function drawLift() {
    const svg = $("lift-plot");
    const [lo, hi] = span(sweep.lifts.concat([THEORY]));
    const map = frame(svg, [0, MAX_COUNT + 1], [lo, Math.max(hi, THEORY + 0.02)],
                      "number of vortices", "Cl");
    node("line", { x1: map.sx(0), x2: map.sx(MAX_COUNT + 1), y1: map.sy(THEORY),
                   y2: map.sy(THEORY), class: "theory" }, svg);
    node("text", { x: map.sx(MAX_COUNT + 1) - 4, y: map.sy(THEORY) - 6, class: "theory-label" },
         svg).textContent = "thin-airfoil theory 1.09265";
    curve(svg, map, sweep.counts, sweep.lifts, COLOURS[0], 1.6);
  }

  // ---- A run ------------------------------------------------------------------

  const PROMPTS = Array.from(document.querySelectorAll(".prompt"), (e) => e.textContent);

  function line(pre, text, kind) {
    const span = document.createElement("span");
    span.className = kind;
    span.textContent = text;
    pre.appendChild(span);
  }

  // The console's text: each prompt (standard output) with the line typed after
  // it, then the solver's messages and the run-time's error lines.
  function showConsole(result, typed) {
    const pre = $("console");
    pre.replaceChildren();
    for (let i = 0; i < result.prompts; ++i) {
      line(pre, PROMPTS[i] + "\n", "out");
      line(pre, typed[i] + "\n", "typed");
    }
    for (const block of result.messages) line(pre, block, "out");
    if (result.errors) line(pre, result.errors.replace(/\r\n/g, "\n"), "err");
  }

  // A float as read, in the fewest digits that give it back (5.7, not 5.699999809).
  function shortest(v) {
    for (let digits = 1; digits < 9 && Number.isFinite(v); ++digits) {
      const t = Number(v.toPrecision(digits));
      if (Math.fround(t) === v) return String(t);
    }
    return String(v);
  }

  function describe(result) {
    if (result.status === 0) {
      const n = result.x.length;
      return `${n} point${n === 1 ? "" : "s"}, normal end.`;
    }
    if (result.status === 1)
      return `The solver stopped the run (error type ${result.type}, code ${result.code}): see the console.`;
    return `The run ended with run-time error ${result.status}: see the console.`;
  }

  function run() {
    const typed = [$("count").value, $("velocity").value];
    let result;
    try {
      result = vortex.run(typed[0], typed[1]);
    } catch (error) {
      say(`The module failed: ${error}`);
      return;
    }
    showConsole(result, typed);
    records = result.records;
    $("records").textContent = records.replace(/\r\n/g, "\n");
    $("download").disabled = false;
    $("lift-value").textContent = result.status === 0 ? result.lift.toFixed(5) : "\u2013";
    if (result.x.length > 0) {
      runs.push({
        x: result.x, cp: result.cp, colour: COLOURS[runs.length % COLOURS.length],
        label: `${shortest(result.count)} vortices at ${shortest(result.velocity)} m/s`,
      });
    }
    drawPressure();
    say(describe(result));
  }

  // Counts 1 to 201 at the velocity typed, a slice at a time so that the page
  // keeps answering; the velocity cancels out of the lift.
  function startSweep() {
    if (sweeping) return;
    sweeping = true;
    $("sweep").disabled = true;
    sweep.counts = [];
    sweep.lifts = [];
    const velocity = $("velocity").value;
    let n = 1;
    const slice = () => {
      const start = performance.now();
      try {
        for (; n <= MAX_COUNT && performance.now() - start < 40; ++n) {
          const r = vortex.run(String(n), velocity);
          if (r.status === 0 && Number.isFinite(r.lift)) {
            sweep.counts.push(n);
            sweep.lifts.push(r.lift);
          }
        }
      } catch (error) {
        n = MAX_COUNT + 1;
        say(`The module failed: ${error}`);
      }
      drawLift();
      if (n <= MAX_COUNT) {
        say(`Sweeping the count: ${n - 1} of ${MAX_COUNT}\u2026`);
        setTimeout(slice, 0);
        return;
      }
      sweeping = false;
      $("sweep").disabled = false;
      say(sweep.counts.length > 0
        ? `Swept 1 to ${MAX_COUNT} vortices: Cl ${sweep.lifts[sweep.lifts.length - 1].toFixed(5)} at ${sweep.counts[sweep.counts.length - 1]}.`
        : "The sweep gave no finite lift: the velocity must be a number other than 0.");
    };
    slice();
  }

  function download() {
    const link = document.createElement("a");
    link.href = URL.createObjectURL(new Blob([records], { type: "text/plain" }));
    link.download = "rezult.txt";
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  }

  form.addEventListener("submit", (event) => {
    event.preventDefault();
    if (vortex) run();
  });
  $("clear").addEventListener("click", () => { runs = []; drawPressure(); });
  $("sweep").addEventListener("click", startSweep);
  $("download").addEventListener("click", download);
  drawPressure();
  drawLift();
  let resizing = 0;
  window.addEventListener("resize", () => {
    cancelAnimationFrame(resizing);
    resizing = requestAnimationFrame(() => { drawPressure(); drawLift(); });
  });

  if (typeof createVortex !== "function") {
    say("The module vortex.js is missing beside this page.");
    return;
  }
  createVortex().then((module) => {
    vortex = module;
    $("run").disabled = false;
    $("sweep").disabled = false;
    say("Ready: type the two numbers and press Enter or Run.");
  }, (error) => {
    say(`The module could not be started in this browser: ${error}`);
  });
})();
