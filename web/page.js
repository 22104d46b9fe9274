// The page's JavaScript: files in, samples in, pixels out. Every decision
// about the skin and every pixel of the analyser is the plug-in's own code
// (zelpin_core.js, built from the product's sources by scripts/web).
'use strict';

const FPS = 60;
const VIS = { left: 24, top: 43, width: 76, height: 16 };
const SKIN_FILES = ['main.bmp', 'viscolor.txt', 'zelpin.txt', 'zelpin.ini'];
const FRAME_BYTES = 1152;

const $ = (id) => document.getElementById(id);
const normal = $('normal').getContext('2d');
const double = $('double').getContext('2d');

let core = null;
let skinPicture = null;  // main.bmp as the plug-in reads it, or null
let audio = null;        // { context, buffer, source, start, frames, last }

function say(text) { $('status').textContent = text; }

// --- Archives: a .wsz is a zip; its entries are found without regard to
// case or folder, as a skin maker names them.

async function inflate(bytes) {
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate-raw'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

async function unzip(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  let end = bytes.length - 22;
  while (end >= 0 && view.getUint32(end, true) !== 0x06054b50) --end;
  if (end < 0) throw new Error('not a zip archive');
  const count = view.getUint16(end + 10, true);
  let at = view.getUint32(end + 16, true);
  const files = [];
  for (let i = 0; i < count; ++i) {
    if (view.getUint32(at, true) !== 0x02014b50) throw new Error('damaged zip directory');
    const method = view.getUint16(at + 10, true);
    const size = view.getUint32(at + 20, true);
    const nameLength = view.getUint16(at + 28, true);
    const extra = view.getUint16(at + 30, true) + view.getUint16(at + 32, true);
    const local = view.getUint32(at + 42, true);
    const name = new TextDecoder().decode(bytes.subarray(at + 46, at + 46 + nameLength));
    at += 46 + nameLength + extra;
    const data = local + 30 + view.getUint16(local + 26, true) + view.getUint16(local + 28, true);
    const stored = bytes.subarray(data, data + size);
    if (method === 0 || method === 8) files.push({ name, stored, method });
  }
  return files;
}

function baseName(name) { return name.split(/[\\/]/).pop().toLowerCase(); }

// The skin's files from an archive or from single files: { 'main.bmp': bytes, ... }.
async function skinFiles(list) {
  const found = {};
  for (const { name, bytes } of list) {
    if (/\.(wsz|zip)$/i.test(name)) {
      const entries = (await unzip(bytes)).sort((a, b) => a.name.split('/').length - b.name.split('/').length);
      for (const e of entries) {
        const base = baseName(e.name);
        if (SKIN_FILES.includes(base) && !(base in found))
          found[base] = e.method === 8 ? await inflate(e.stored) : e.stored;
      }
    } else if (SKIN_FILES.includes(baseName(name))) {
      found[baseName(name)] = bytes;
    }
  }
  return found;
}

// --- The plug-in's side.

function heap() { return core.HEAPU8; }

function putSkin(found) {
  const fs = core.FS;
  for (const name of fs.readdir('/skin')) if (name !== '.' && name !== '..') fs.unlink('/skin/' + name);
  for (const [name, bytes] of Object.entries(found)) fs.writeFile('/skin/' + name, bytes);
  core._zw_load_skin();
  const w = core._zw_skin_width(), h = core._zw_skin_height();
  // The double view is the same picture, shown twice as large by its style
  // (every pixel a 2 x 2 block).
  const p = core._zw_skin_rgba();
  skinPicture = w ? new ImageData(new Uint8ClampedArray(heap().slice(p, p + w * h * 4).buffer), w, h) : null;
  for (const view of [normal, double]) {
    view.canvas.width = w || 275;
    view.canvas.height = h || 116;
    if (skinPicture) view.putImageData(skinPicture, 0, 0);
  }
  double.canvas.style.width = 2 * double.canvas.width + 'px';
  double.canvas.style.height = 2 * double.canvas.height + 'px';
  showLook();
  drawOutput();
}

// The analyser's output into the vis area of both views; with the analyser
// off, the skin's own picture there.
function drawOutput() {
  if (!skinPicture) return;
  if (!core._zw_setting(3)) {
    for (const view of [normal, double])
      view.putImageData(skinPicture, 0, 0, VIS.left, VIS.top, VIS.width, VIS.height);
    return;
  }
  const p = core._zw_output_rgba();
  const pixels = new Uint8ClampedArray(heap().slice(p, p + VIS.width * VIS.height * 4).buffer);
  const image = new ImageData(pixels, VIS.width, VIS.height);
  normal.putImageData(image, VIS.left, VIS.top);
  double.putImageData(image, VIS.left, VIS.top);
}

function showLook() {
  const style = core._zw_setting(4) ? (core._zw_setting(5) ? 'rain' : 'peaks') : 'bars';
  $('style').value = style;
  $('blend').value = String(core._zw_setting(0));
  $('mode').value = String(core._zw_setting(1));
  $('ratio').value = String(core._zw_setting(2));
  $('ratio-shown').textContent = String(core._zw_setting(2));
  $('enable').checked = core._zw_setting(3) !== 0;
  $('look-text').textContent = core.UTF8ToString(core._zw_look_text());
  const list = $('findings');
  list.replaceChildren();
  for (const line of core.UTF8ToString(core._zw_findings()).split('\n').filter(Boolean)) {
    const item = document.createElement('li');
    item.textContent = line;
    list.appendChild(item);
  }
}

function lookChanged() {
  const style = $('style').value;
  core._zw_set_look(Number($('blend').value), Number($('mode').value), Number($('ratio').value),
                    $('enable').checked ? 1 : 0, style === 'bars' ? 0 : 1, style === 'rain' ? 1 : 0);
  $('ratio-shown').textContent = $('ratio').value;
  $('look-text').textContent = core.UTF8ToString(core._zw_look_text());
  drawOutput();
}

// --- Audio: decoded by the browser, turned into the player's spectrum frames
// by the plug-in's side (web/src/spectrum_frames.cpp), one frame per 60th of
// a second of the song's clock; a late frame skips ahead, as the host does.

async function takeAudio(bytes) {
  stop();
  const context = new AudioContext();
  const buffer = await context.decodeAudioData(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength));
  const channels = Math.min(buffer.numberOfChannels, 2);
  const count = buffer.length;
  const p = core._zw_buffer(count * channels * 4);
  const floats = new Float32Array(heap().buffer, p, count * channels);
  for (let c = 0; c < channels; ++c) floats.set(buffer.getChannelData(c), c * count);
  const frames = core._zw_set_samples(p, count, channels, buffer.sampleRate);
  audio = { context, buffer, source: null, start: 0, frames, last: -1 };
  $('play').disabled = false;
}

function play() {
  if (!audio) return;
  stop();
  const source = audio.context.createBufferSource();
  source.buffer = audio.buffer;
  source.connect(audio.context.destination);
  audio.context.resume();
  audio.start = audio.context.currentTime;
  audio.last = -1;
  source.start();
  audio.source = source;
  $('stop').disabled = false;
  say('Playing.');
}

function stop() {
  if (audio && audio.source) {
    audio.source.stop();
    audio.source = null;
  }
  $('stop').disabled = true;
}

function tick() {
  if (audio && audio.source) {
    const k = Math.floor((audio.context.currentTime - audio.start) * FPS);
    if (k !== audio.last && k < audio.frames) {
      audio.last = k;
      core._zw_render(core._zw_spectrum_frame(k));
      drawOutput();
    }
  }
  requestAnimationFrame(tick);
}

async function readInput(input) {
  return Promise.all([...input.files].map(async (f) => ({ name: f.name, bytes: new Uint8Array(await f.arrayBuffer()) })));
}

// --- The tests' entry (tests/test_web.py), through the page's own paths.

function fromBase64(text) { return Uint8Array.from(atob(text), (c) => c.charCodeAt(0)); }
function toBase64(bytes) {
  let s = '';
  for (let i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(s);
}

window.zelpinTest = {
  // Loads a skin ({ name: base64 }) as the skin input does, starts the
  // analyser afresh when asked (a fresh library, as a host run starts), and
  // draws the frames (base64, 1152 bytes each) as Render does. Frame 0 is the host's
  // first Render, which loads the skin and shows its bare background.
  // Answers the vis area's RGB as read back from the canvas, frame after
  // frame, and the time the frames took to draw.
  async drawFrames(files, framesBase64, fresh) {
    putSkin(await skinFiles(Object.entries(files).map(([name, b]) => ({ name, bytes: fromBase64(b) }))));
    if (fresh) core._zw_reset_columns();
    const frames = fromBase64(framesBase64);
    const count = frames.length / FRAME_BYTES;
    const out = new Uint8Array(count * VIS.width * VIS.height * 3);
    const buffer = core._zw_buffer(FRAME_BYTES);
    let drawing = 0;
    for (let i = 0; i < count; ++i) {
      const started = performance.now();
      if (i > 0) {
        heap().set(frames.subarray(i * FRAME_BYTES, (i + 1) * FRAME_BYTES), buffer);
        core._zw_render(buffer);
      }
      drawOutput();
      drawing += performance.now() - started;
      const rgba = normal.getImageData(VIS.left, VIS.top, VIS.width, VIS.height).data;
      for (let j = 0, o = i * VIS.width * VIS.height * 3; j < rgba.length; j += 4, o += 3) {
        out[o] = rgba[j]; out[o + 1] = rgba[j + 1]; out[o + 2] = rgba[j + 2];
      }
    }
    return { rgb: toBase64(out), msPerFrame: drawing / Math.max(1, count - 1), findings: $('findings').textContent };
  },
  // The spectrum frames of the given samples (base64 of float32, channel
  // after channel), as base64.
  spectrum(samplesBase64, channels, rate) {
    const bytes = fromBase64(samplesBase64);
    const count = bytes.length / 4 / channels;
    const p = core._zw_buffer(bytes.length);
    heap().set(bytes, p);
    const frames = core._zw_set_samples(p, count, channels, rate);
    const out = new Uint8Array(frames * FRAME_BYTES);
    for (let k = 0; k < frames; ++k) {
      const f = core._zw_spectrum_frame(k);
      out.set(heap().subarray(f, f + FRAME_BYTES), k * FRAME_BYTES);
    }
    return toBase64(out);
  },
  // The analyser's own time for a frame, without the canvas: n Renders.
  renderMs(n) {
    const buffer = core._zw_buffer(FRAME_BYTES);
    const started = performance.now();
    for (let i = 0; i < n; ++i) {
      heap().fill((i * 37) & 255, buffer, buffer + FRAME_BYTES);
      core._zw_render(buffer);
    }
    return (performance.now() - started) / n;
  },
};

// --- Start.

ZelpinCore().then(async (module) => {
  core = module;
  const defaults = new Uint8Array(await (await fetch('plugin.ini')).arrayBuffer());
  core.FS.writeFile('/plugin.ini', defaults);
  core.FS.mkdir('/skin');
  core._zw_start();
  putSkin({});
  for (const id of ['style', 'blend', 'ratio', 'mode', 'enable']) $(id).addEventListener('input', lookChanged);
  $('skin-input').addEventListener('change', async () => {
    try { putSkin(await skinFiles(await readInput($('skin-input')))); say('Skin loaded.'); }
    catch (e) { say('Skin: ' + e.message); }
  });
  $('audio-input').addEventListener('change', async () => {
    try { await takeAudio((await readInput($('audio-input')))[0].bytes); say('Song decoded: press Play.'); }
    catch (e) { say('Song: the browser cannot decode it (' + e.message + ')'); }
  });
  $('play').addEventListener('click', play);
  $('stop').addEventListener('click', stop);
  $('copy').addEventListener('click', () => navigator.clipboard.writeText($('look-text').textContent));
  requestAnimationFrame(tick);
  window.zelpinReadyMs = performance.now();
  say('Ready: choose a skin and a song.');
});
