// Runs a wasm32-wasi program under Node's WASI, as a test or a host tool:
//
//   node scripts/run-wasi.mjs [--dir PATH]... PROGRAM.wasm [ARGUMENT]...
//
// Each --dir is opened to the program under its own path (the current
// directory always is, as "."), so file names on the command line mean the
// same as natively. The exit code is the program's.
import { readFile } from 'node:fs/promises';
import { WASI } from 'node:wasi';
import process from 'node:process';

const args = process.argv.slice(2);
const preopens = { '.': '.' };
while (args[0] === '--dir') {
  preopens[args[1]] = args[1];
  args.splice(0, 2);
}
if (args.length === 0) {
  console.error('usage: node scripts/run-wasi.mjs [--dir PATH]... PROGRAM.wasm [ARGUMENT]...');
  process.exit(2);
}
const wasi = new WASI({ version: 'preview1', args, env: {}, preopens, returnOnExit: true });
const module = await WebAssembly.compile(await readFile(args[0]));
const instance = await WebAssembly.instantiate(module, wasi.getImportObject());
process.exit(wasi.start(instance));
