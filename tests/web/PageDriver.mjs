// Drives demo pages in headless Chromium over the DevTools protocol on its
// debugging pipe (no network port, no packages), for PageRun.sh:
//
//   node PageDriver.mjs OUT_DIR STEP...
//
// One browser runs every step, with every host name unresolvable and a proxy
// that leads nowhere; each step writes its results into OUT_DIR, and
// OUT_DIR/requests.txt lists every request the pages made. Every wait polls
// the page with a deadline. Steps, their fields apart by '|':
//   still|NAME|URL     the frame ?t= shows -> NAME.png (640x480)
//   check|NAME|URL     ?check's console lines -> NAME.txt (log), NAME.err
//                      (errors); the log the page shows -> NAME.page
//   dialog|NAME|URL    the dialog -> NAME.png (page), NAME.json (what it shows)
//   play|NAME|URL|SOUND|DISPLAY|SECONDS[|enter|twice]  starts the demo with
//                      those list entries (by the button, or Enter), lets it
//                      play, presses A and Escape (SECONDS 0: waits for its end
//                      instead); twice: then starts and ends it once more
//                      -> NAME.json, NAME.txt (console)
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

const [outDir, ...steps] = process.argv.slice(2);
const profile = mkdtempSync(join(tmpdir(), 'solvane-page-'));
const browser = spawn('chromium', [
  '--headless=new', '--no-sandbox', '--disable-gpu', `--user-data-dir=${profile}`,
  '--force-device-scale-factor=1', '--force-color-profile=srgb', '--hide-scrollbars',
  '--remote-debugging-pipe', '--no-first-run', '--no-default-browser-check',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--host-resolver-rules=MAP * ~NOTFOUND', '--proxy-server=127.0.0.1:9',
  '--autoplay-policy=no-user-gesture-required', '--window-size=800,640', 'about:blank',
], { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
let browserLog = '';
browser.stderr.on('data', (chunk) => { browserLog += chunk; });

const started = Date.now();
function Done(code, why) {
  if (why) console.error(`page-driver: ${why}`);
  browser.kill('SIGTERM');
  const stop = setTimeout(() => browser.kill('SIGKILL'), 3000);
  browser.on('exit', () => {
    clearTimeout(stop);
    rmSync(profile, { recursive: true, force: true });
    process.exit(code);
  });
}
const deadline = setTimeout(() => Done(1, 'the whole run passed its 120 s deadline\n' + browserLog), 120000);

// The protocol: JSON messages ended by a zero byte each way.
let nextId = 1, received = '';
const waiting = new Map(), listeners = [];
browser.stdio[4].on('data', (chunk) => {
  received += chunk.toString('utf8');
  let end;
  while ((end = received.indexOf('\0')) >= 0) {
    const message = JSON.parse(received.slice(0, end));
    received = received.slice(end + 1);
    if (message.id && waiting.has(message.id)) {
      const { resolve, reject, method } = waiting.get(message.id);
      waiting.delete(message.id);
      if (message.error) reject(new Error(`${method}: ${message.error.message}`));
      else resolve(message.result);
    } else if (message.method) {
      for (const listen of listeners) listen(message);
    }
  }
});
function Send(method, params = {}, sessionId) {
  const id = nextId++;
  browser.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + '\0');
  return new Promise((resolve, reject) => waiting.set(id, { resolve, reject, method }));
}

const requests = [];
let consoleLines = [];
let session;
const Page = (method, params) => Send(method, params, session);
const Sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function Evaluate(expression) {
  const answer = await Page('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
  if (answer.exceptionDetails) throw new Error(`${expression}: ${answer.exceptionDetails.text}`);
  return answer.result.value;
}

// Polls until the expression is true; its last value goes in the error.
async function WaitFor(expression, ms, what) {
  const until = Date.now() + ms;
  let value;
  for (;;) {
    value = await Evaluate(expression).catch(() => undefined);
    if (value) return value;
    if (Date.now() > until) throw new Error(`${what}: not within ${ms} ms (${await Evaluate('document.body && document.body.dataset.state').catch(() => '?')})`);
    await Sleep(20);
  }
}

async function Open(url, width, height) {
  await Page('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile: false });
  consoleLines = [];
  await Page('Page.navigate', { url });
  const state = await WaitFor(`document.body && ['dialog','still','checked','failed','benched'].includes(document.body.dataset.state) && document.body.dataset.state`, 20000, `opening ${url}`);
  return state;
}

async function Shot(file, clip) {
  const { data } = await Page('Page.captureScreenshot', { format: 'png', ...(clip ? { clip: { ...clip, scale: 1 } } : {}) });
  writeFileSync(join(outDir, file), Buffer.from(data, 'base64'));
}

async function Key(key, code, vk) {
  await Page('Input.dispatchKeyEvent', { type: 'rawKeyDown', key, code, windowsVirtualKeyCode: vk });
  await Page('Input.dispatchKeyEvent', { type: 'keyUp', key, code, windowsVirtualKeyCode: vk });
}

async function Click(selector) {
  const box = await Evaluate(`(() => { const r = document.querySelector('${selector}').getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()`);
  for (const type of ['mousePressed', 'mouseReleased'])
    await Page('Input.dispatchMouseEvent', { type, x: box[0], y: box[1], button: 'left', clickCount: 1 });
}

const ConsoleText = (type) => consoleLines.filter((line) => line.type === type).map((line) => line.text).join('\n') + '\n';

const run = {
  async still(name, url) {
    const state = await Open(url, 640, 480);
    if (state !== 'still') throw new Error(`${url}: ${state}`);
    await Shot(`${name}.png`, { x: 0, y: 0, width: 640, height: 480 });
  },
  async check(name, url) {
    await Open(url, 800, 640);
    writeFileSync(join(outDir, `${name}.txt`), ConsoleText('log'));
    writeFileSync(join(outDir, `${name}.err`), ConsoleText('error'));
    writeFileSync(join(outDir, `${name}.page`), await Evaluate(`document.getElementById('log').textContent`) + '\n');
  },
  async bench(name, url) {
    const state = await Open(url, 640, 480);
    if (state !== 'benched') throw new Error(`${url}: ${state}`);
    writeFileSync(join(outDir, `${name}.json`), JSON.stringify(await Evaluate('window.solvanePage.bench')));
  },
  async dialog(name, url) {
    const state = await Open(url, 800, 640);
    const opened = await Evaluate('window.solvanePage.dialogShownMs');
    await Shot(`${name}.png`);
    const shown = await Evaluate(`(() => {
      const picture = document.getElementById('title-picture').getBoundingClientRect();
      const texts = (id) => [...document.getElementById(id).options].map((o) => o.text + (o.selected ? '*' : ''));
      return { state: document.body.dataset.state, caption: document.getElementById('caption').textContent,
               title: document.title, button: document.getElementById('start').textContent,
               sound: texts('sound'), display: texts('display'), note: document.getElementById('note').textContent,
               picture: [picture.x, picture.y, picture.width, picture.height] };
    })()`);
    writeFileSync(join(outDir, `${name}.json`), JSON.stringify({ ...shown, state, openedMs: opened }, null, 1));
  },
  async play(name, url, sound, display, seconds, how) {
    await Open(url, 800, 640);
    await Evaluate(`document.getElementById('sound').value = '${sound}'; document.getElementById('display').value = '${display}'`);
    if (how === 'enter') await Key('Enter', 'Enter', 13);
    else await Click('#start');
    await WaitFor(`document.body.dataset.state === 'playing' && window.solvanePage.frames >= 3`, 10000, 'three frames');
    const playing = await Evaluate(`(() => {
      const r = document.getElementById('screen').getBoundingClientRect();
      return { fullScreen: document.fullscreenElement ? document.fullscreenElement.id : '',
               screen: [r.x, r.y, r.width, r.height], viewport: [innerWidth, innerHeight] };
    })()`);
    await Shot(`${name}-playing.png`);
    let ended;
    if (Number(seconds) > 0) {
      await Sleep(Number(seconds) * 1000);
      ended = await Evaluate('document.body.dataset.state');
      await Key('a', 'KeyA', 65);
      await Key('Escape', 'Escape', 27);
    }
    await WaitFor(`document.body.dataset.state === 'dialog'`, 70000, 'back at the dialog');
    if (how === 'twice') {
      await Click('#start');
      await WaitFor(`document.body.dataset.state === 'playing' && window.solvanePage.frames >= 3`, 10000, 'three frames of the second run');
      await Key('Escape', 'Escape', 27);
      await WaitFor(`document.body.dataset.state === 'dialog'`, 10000, 'back at the dialog again');
    }
    const after = await Evaluate(`({ fullScreen: document.fullscreenElement ? document.fullscreenElement.id : '',
      stageHidden: document.getElementById('stage').hidden, frames: solvanePage.frames,
      frameMsMean: solvanePage.frameMsTotal / solvanePage.frames, frameMsMax: solvanePage.frameMsMax,
      syncMaxMs: solvanePage.syncMaxMs, syncSamples: solvanePage.syncSamples, clockDriftMs: solvanePage.clockDriftMs })`);
    writeFileSync(join(outDir, `${name}.json`), JSON.stringify({ playing, stateBeforeEscape: ended, after }, null, 1));
    writeFileSync(join(outDir, `${name}.txt`), ConsoleText('log') + ConsoleText('info'));
  },
};

async function Main() {
  const { targetInfos } = await Send('Target.getTargets');
  const target = targetInfos.find((info) => info.type === 'page');
  ({ sessionId: session } = await Send('Target.attachToTarget', { targetId: target.targetId, flatten: true }));
  listeners.push((message) => {
    if (message.method === 'Runtime.consoleAPICalled')
      consoleLines.push({ type: message.params.type, text: message.params.args.map((a) => a.value).join(' ') });
    else if (message.method === 'Network.requestWillBeSent') requests.push(message.params.request.url);
  });
  await Page('Runtime.enable');
  await Page('Network.enable');
  await Page('Page.enable');
  // A failed step is said and the others still run, so one fault does not hide the rest.
  let failed = 0;
  for (const step of steps) {
    const [kind, name, ...rest] = step.split('|');
    const begun = Date.now();
    try {
      await run[kind](name, ...rest);
      console.log(`page-driver: ${kind} ${name} ${Date.now() - begun} ms`);
    } catch (error) {
      failed++;
      console.log(`page-driver: ${kind} ${name} failed: ${error.message}`);
    }
  }
  writeFileSync(join(outDir, 'requests.txt'), requests.map((url) => url.split('?')[0]).join('\n') + '\n');
  console.log(`page-driver: ${steps.length} steps in ${Date.now() - started} ms`);
  clearTimeout(deadline);
  Done(failed ? 1 : 0);
}
Main().catch((error) => { clearTimeout(deadline); Done(1, error.stack || String(error)); });
