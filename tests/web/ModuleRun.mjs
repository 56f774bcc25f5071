// Drives build-web/solvane.wasm through its exports as the page does, under
// Node's WASI, and fails (exit 1) on the first export that answers wrongly:
//
//   node tests/web/ModuleRun.mjs solvane.wasm solvane.dat title-picture.ppm OUT-DIR T...
//
// It hands over the data, checks the set-up, the title and the title picture
// (against the Linux build's), runs the frame loop as the page's animation
// frames would (the 20 ms rule, Escape, the end time), and writes the still
// frame at each time T to OUT-DIR/T.ppm for comparison with solvane-render's.
// The module's WASI imports are printed, one line.
import { readFile, writeFile } from 'node:fs/promises';
import { WASI } from 'node:wasi';
import process from 'node:process';

const [wasmPath, dataPath, titlePath, outDir, ...times] = process.argv.slice(2);
let failures = 0;
function check(condition, what) {
  if (!condition) {
    console.error(`module-run: ${what}`);
    failures++;
  }
}

const module = await WebAssembly.compile(await readFile(wasmPath));
const imports = WebAssembly.Module.imports(module).map((i) => `${i.module}.${i.name}`);
console.log(`module-run: imports ${imports.join(' ')}`);
const wasi = new WASI({ version: 'preview1', args: ['solvane'], env: {}, preopens: {}, returnOnExit: true });
const instance = await WebAssembly.instantiate(module, wasi.getImportObject());
wasi.initialize(instance);
const sv = instance.exports;
const bytes = (at, length) => new Uint8Array(sv.memory.buffer, at, length);
const words = (at, count) => new Uint32Array(sv.memory.buffer, at, count);

// Data, set-up check, title.
const data = await readFile(dataPath);
const at = sv.sv_alloc(data.length);
bytes(at, data.length).set(data);
check(sv.sv_set_data(at, data.length) === 0, 'sv_set_data refused the bundled demo');
check(sv.sv_check() === 0, 'sv_check found errors in the bundled demo');
const titleAt = sv.sv_release_title();
const title = new TextDecoder().decode(bytes(titleAt, bytes(titleAt, 64).indexOf(0)));
check(title === 'Solvane', `sv_release_title gave "${title}"`);

// PPM (P6, 8 bits) as 0x00RRGGBB words, and back.
function ppmWords(file) {
  const text = file.subarray(0, 64).toString('latin1');
  const [, width, height] = /^P6\s+(\d+)\s+(\d+)\s+255\s/.exec(text);
  const start = /^P6\s+\d+\s+\d+\s+255\s/.exec(text)[0].length;
  const out = new Uint32Array(width * height);
  for (let i = 0; i < out.length; i++)
    out[i] = (file[start + 3 * i] << 16) | (file[start + 3 * i + 1] << 8) | file[start + 3 * i + 2];
  return { width: Number(width), height: Number(height), pixels: out };
}
function ppmBytes(pixels, width, height) {
  const header = Buffer.from(`P6\n${width} ${height}\n255\n`, 'latin1');
  const body = Buffer.alloc(width * height * 3);
  for (let i = 0; i < width * height; i++) {
    body[3 * i] = (pixels[i] >> 16) & 255;
    body[3 * i + 1] = (pixels[i] >> 8) & 255;
    body[3 * i + 2] = pixels[i] & 255;
  }
  return Buffer.concat([header, body]);
}

const size = sv.sv_alloc(8);
const pictureAt = sv.sv_title_picture(size, size + 4);
const [pictureWidth, pictureHeight] = new Int32Array(sv.memory.buffer, size, 2);
const expected = ppmWords(await readFile(titlePath));
check(pictureAt !== 0 && pictureWidth === expected.width && pictureHeight === expected.height &&
        words(pictureAt, pictureWidth * pictureHeight).every((p, i) => p === expected.pixels[i]),
      'sv_title_picture is not the bundled title picture');
sv.sv_free(size);

// The frame loop as animation frames drive it: 60 frames a second of the
// audio clock. A frame is due at once, again at the next call (a last frame
// at 0 ms counts as none yet), then whenever more than 20 ms have passed.
check(sv.sv_start(2, 1) === 0, 'sv_start failed');
const drawn = [];
for (let k = 0; k <= 10; k++) if (sv.sv_frame(k * 1000 / 60) === 1) drawn.push(Math.floor(k * 1000 / 60));
check(drawn.join() === '0,16,50,83,116,150', `frames drawn at ${drawn.join()} ms`);
check(sv.sv_width() === 640 && sv.sv_height() === 480, 'the frame is not 640x480');
check(words(sv.sv_pixels(), 640 * 480).some((p) => p !== 0), 'the frame shown is black');
check(sv.sv_key(65) === 0, 'a letter key ended the demo');
check(sv.sv_key(27) === -1, 'Escape did not end the demo');
check(sv.sv_frame(200) === -1, 'a frame after Escape');
// Started again, in the full-screen mode, it runs to its end time.
check(sv.sv_start(0, 0) === 0, 'sv_start failed the second time');
let last = 0;
for (let ms = 0; ms < 600000 && last !== -1; ms += 1000) last = sv.sv_frame(ms);
check(last === -1, 'the demo did not end');

for (const t of times) {
  check(sv.sv_still(Number(t)) === 0, `sv_still(${t}) failed`);
  await writeFile(`${outDir}/${t}.ppm`, ppmBytes(words(sv.sv_pixels(), 640 * 480), 640, 480));
}
process.exit(failures === 0 ? 0 : 1);
