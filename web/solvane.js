// Solvane's host page: runs the engine's WebAssembly module with the demo's
// data and music carried in the page, shows the start dialog, plays the music
// through Web Audio and drives the frames from it, so picture and sound share
// one clock. Plain script, no network: everything it needs is in the page.
//   ?t=SECONDS  the frame at that time, still and silent (no dialog)
//   ?check      the demo's set-up only; its log on the page
//   ?bench      every frame of the demo as fast as it comes: a frame's cost
// document.body.dataset.state tells tests where the page is: loading, dialog,
// playing, still, checked, benched or failed; window.solvanePage holds its
// figures.
"use strict";
(function () {
  const ENOSYS = 52, EBADF = 8;
  const SOUND_NAMES = ["Stereo", "Mono", "No Sound"];
  const DISPLAY_NAMES = ["Full Screen", "Windowed"];
  const SOUND_OFF = 2, FULL_SCREEN = 0;
  const VK_ESCAPE = 0x1b;

  const page = {
    dialogShownMs: -1,
    // Over the last run started:
    frames: 0, frameMsTotal: 0, frameMsMax: 0,
    // With music: the largest gap between the time of the picture on screen
    // and the music's position heard at each animation frame, in ms; and how
    // far the music's clock moved against the page's own (performance.now)
    // from the first frame to the last.
    syncMaxMs: 0, syncSamples: 0, clockDriftMs: 0,
    log: [],
  };
  window.solvanePage = page;
  const $ = (id) => document.getElementById(id);

  function SetState(state) { document.body.dataset.state = state; }

  function Fail(text) {
    console.error(text);
    ShowLog(text);
    SetState("failed");
  }

  function ShowLog(extra) {
    const log = $("log");
    log.textContent = page.log.join("\n") + (extra ? (page.log.length ? "\n" : "") + extra : "");
    log.hidden = false;
  }

  // The bytes of a blob the packer put into the page as base64.
  function PageBytes(id) {
    const text = atob($(id).textContent.trim());
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
    return bytes;
  }

  // A WASI of a few calls: standard output and error go to the console line by
  // line (the engine's log lines, as kol.log has them), the clocks and random
  // numbers are the browser's; files, arguments and the environment are empty
  // and everything else is refused with an error code.
  class WasiExit { constructor(code) { this.code = code; } }

  function WasiImports(module, memory) {
    const pending = { 1: "", 2: "" };
    const decoders = { 1: new TextDecoder(), 2: new TextDecoder() };
    const view = () => new DataView(memory().buffer);
    const calls = {
      fd_write(fd, iovs, count, written) {
        if (fd !== 1 && fd !== 2) return EBADF;
        const v = view();
        let total = 0;
        for (let i = 0; i < count; i++) {
          const at = v.getUint32(iovs + 8 * i, true), length = v.getUint32(iovs + 8 * i + 4, true);
          pending[fd] += decoders[fd].decode(new Uint8Array(memory().buffer, at, length), { stream: true });
          total += length;
        }
        let end;
        while ((end = pending[fd].indexOf("\n")) >= 0) {
          const line = pending[fd].slice(0, end).replace(/\r$/, "");
          pending[fd] = pending[fd].slice(end + 1);
          page.log.push(line);
          if (fd === 1) console.log(line); else console.error(line);
        }
        v.setUint32(written, total, true);
        return 0;
      },
      // The standard descriptors are terminals, so the engine's C library
      // writes each line as it ends.
      fd_fdstat_get(fd, at) {
        if (fd > 2) return EBADF;
        const v = view();
        v.setUint8(at, 2);
        v.setUint16(at + 2, 0, true);
        v.setBigUint64(at + 8, fd === 0 ? 2n : 64n, true);
        v.setBigUint64(at + 16, 0n, true);
        return 0;
      },
      fd_prestat_get() { return EBADF; },
      fd_close() { return EBADF; },
      proc_exit(code) { throw new WasiExit(code); },
      clock_time_get(id, precision, at) {
        const ms = id === 0 ? Date.now() : performance.now();
        view().setBigUint64(at, BigInt(Math.round(ms * 1e6)), true);
        return 0;
      },
      clock_res_get(id, at) { view().setBigUint64(at, 1000n, true); return 0; },
      random_get(at, length) {
        for (let done = 0; done < length; done += 65536)
          crypto.getRandomValues(new Uint8Array(memory().buffer, at + done, Math.min(65536, length - done)));
        return 0;
      },
      args_sizes_get(count, size) { view().setUint32(count, 0, true); view().setUint32(size, 0, true); return 0; },
      args_get() { return 0; },
      environ_sizes_get(count, size) { view().setUint32(count, 0, true); view().setUint32(size, 0, true); return 0; },
      environ_get() { return 0; },
      sched_yield() { return 0; },
    };
    const imports = {};
    for (const wanted of WebAssembly.Module.imports(module)) {
      if (wanted.kind !== "function") continue;
      const group = imports[wanted.module] || (imports[wanted.module] = {});
      group[wanted.name] = calls[wanted.name] || (() => ENOSYS);
    }
    return imports;
  }

  // The engine's exports in the page's terms.
  class Engine {
    static async Load(bytes) {
      const module = await WebAssembly.compile(bytes);
      let instance = null;
      const memory = () => instance.exports.memory;
      instance = await WebAssembly.instantiate(module, WasiImports(module, memory));
      const engine = new Engine(instance);
      if (instance.exports._initialize) engine.Call(() => instance.exports._initialize());
      return engine;
    }

    constructor(instance) { this.x = instance.exports; this.exited = false; }

    // An exit from inside the engine ends its use: the page says so and stops.
    Call(run) {
      if (this.exited) return -1;
      try {
        return run();
      } catch (error) {
        this.exited = true;
        Fail(error instanceof WasiExit ? "The engine exited (code " + error.code + ")."
                                       : "The engine stopped: " + error);
        return -1;
      }
    }

    get memory() { return this.x.memory.buffer; }

    SetData(bytes) {
      return this.Call(() => {
        const at = this.x.sv_alloc(bytes.length);
        if (!at) return -1;
        new Uint8Array(this.memory, at, bytes.length).set(bytes);
        return this.x.sv_set_data(at, bytes.length);
      });
    }

    Text(at) {
      if (!at) return "";
      const bytes = new Uint8Array(this.memory, at);
      return new TextDecoder().decode(bytes.subarray(0, bytes.indexOf(0)));
    }

    Title() { return this.Call(() => this.Text(this.x.sv_release_title())) || ""; }

    // The title picture as ImageData, or null when the release has none.
    TitlePicture() {
      return this.Call(() => {
        const sizes = this.x.sv_alloc(8);
        const at = this.x.sv_title_picture(sizes, sizes + 4);
        const v = new DataView(this.memory);
        const width = v.getInt32(sizes, true), height = v.getInt32(sizes + 4, true);
        this.x.sv_free(sizes);
        if (!at || width <= 0 || height <= 0) return null;
        return ToImageData(new Uint32Array(this.memory, at, width * height), width, height);
      });
    }

    Check() { return this.Call(() => this.x.sv_check()); }
    Start(sound, display) { return this.Call(() => this.x.sv_start(sound, display)); }
    Frame(ms) { return this.Call(() => this.x.sv_frame(ms)); }
    Key(vk) { return this.Call(() => this.x.sv_key(vk)); }
    Still(seconds) { return this.Call(() => this.x.sv_still(seconds)); }
    Finish() { this.Call(() => this.x.sv_finish()); }

    Picture() {
      return this.Call(() => ({
        pixels: new Uint32Array(this.memory, this.x.sv_pixels(), this.x.sv_width() * this.x.sv_height()),
        width: this.x.sv_width(), height: this.x.sv_height(),
      }));
    }
  }

  // Engine pixels are 0x00RRGGBB words (bytes B, G, R, X); a canvas wants
  // bytes R, G, B, A.
  function ToImageData(pixels, width, height, reuse) {
    const image = reuse && reuse.width === width && reuse.height === height ? reuse : new ImageData(width, height);
    const out = new Uint32Array(image.data.buffer);
    for (let i = 0; i < out.length; i++) {
      const p = pixels[i];
      out[i] = 0xff000000 | ((p & 0xff) << 16) | (p & 0xff00) | ((p >>> 16) & 0xff);
    }
    return image;
  }

  class Screen {
    constructor() { this.canvas = $("screen"); this.context = this.canvas.getContext("2d"); this.image = null; }

    Show(picture) {
      if (!picture) return;
      if (this.canvas.width !== picture.width) this.canvas.width = picture.width;
      if (this.canvas.height !== picture.height) this.canvas.height = picture.height;
      this.image = ToImageData(picture.pixels, picture.width, picture.height, this.image);
      this.context.putImageData(this.image, 0, 0);
    }
  }

  // The demo's music through Web Audio. It is decoded while the dialog shows,
  // at the rate the playing context is then made with, inside the start
  // button's press (the gesture browsers want before they play). Module music
  // is no format a browser decodes.
  class Music {
    constructor() {
      this.element = $("solvane-music");
      this.kind = this.element.dataset.kind;
      this.buffer = null;
      this.context = null;
      this.source = null;
      this.startedAt = 0;
      this.lastMs = 0;
      this.note = "";
      this.ready = null;
    }

    static get RATE() { return 48000; }

    // Whether there is music worth waiting for: it may still be decoding.
    Playable() { return !!this.ready && this.kind !== "module" && !!this.kind && !this.note; }

    async Decode() {
      if (this.kind === "module") {
        this.note = "This demo's music is module music (MOD, XM, S3M or IT), which the browser cannot play: the demo plays silent.";
        return;
      }
      if (!this.kind) { this.note = "This demo has no music: it plays silent."; return; }
      try {
        const decoder = new OfflineAudioContext(2, 1, Music.RATE);
        this.buffer = await decoder.decodeAudioData(PageBytes("solvane-music").buffer);
      } catch (error) {
        this.note = "The browser could not decode this demo's music: the demo plays silent.";
      }
    }

    // Called inside the press's handler, before anything waits.
    Unlock() {
      if (!this.context) this.context = new AudioContext({ sampleRate: Music.RATE });
      this.context.resume();
    }

    Play(mono) {
      const context = this.context;
      this.source = context.createBufferSource();
      this.source.buffer = this.buffer;
      let output = context.destination;
      if (mono) {
        const downmix = context.createGain();
        downmix.channelCount = 1;
        downmix.channelCountMode = "explicit";
        downmix.channelInterpretation = "speakers";
        downmix.connect(context.destination);
        output = downmix;
      }
      this.source.connect(output);
      this.startedAt = context.currentTime;
      this.lastMs = 0;
      this.source.start(this.startedAt);
    }

    // The music's position as heard now, in ms: the output's own time stamp
    // carried forward to this moment where the browser gives one, else the
    // context's time; never running backwards.
    PositionMs() {
      const context = this.context;
      let seconds = context.currentTime;
      if (context.getOutputTimestamp) {
        const stamp = context.getOutputTimestamp();
        if (stamp.performanceTime > 0)
          seconds = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
      }
      const ms = Math.max(0, (seconds - this.startedAt) * 1000);
      this.lastMs = Math.max(this.lastMs, ms);
      return this.lastMs;
    }

    Stop() {
      if (this.source) { try { this.source.stop(); } catch (error) { /* already ended */ } this.source.disconnect(); }
      this.source = null;
      if (this.context) this.context.suspend();
    }
  }

  class Player {
    constructor(engine, music) {
      this.engine = engine;
      this.music = music;
      this.screen = new Screen();
      this.running = false;
      this.audible = false;
      this.full = false;
      this.started = 0;
      this.shownMs = 0;
      this.tick = () => this.Tick();
      window.addEventListener("keydown", (event) => this.OnKey(event));
      document.addEventListener("fullscreenchange", () => {
        if (this.running && this.full && !document.fullscreenElement) this.End("full screen left");
      });
    }

    async Start(sound, display) {
      if (this.running || this.starting) return;
      this.starting = true;
      const stage = $("stage");
      this.full = display === FULL_SCREEN;
      const wanted = sound !== SOUND_OFF && this.music.Playable();
      // Both before anything waits: the press that called us must still be on.
      if (wanted) this.music.Unlock();
      stage.hidden = false;
      $("dialog").hidden = true;
      if (this.full && stage.requestFullscreen) stage.requestFullscreen().catch(() => {});
      if (wanted) await this.music.ready;
      this.starting = false;
      this.audible = wanted && !!this.music.buffer;
      page.log.length = 0;
      const errors = this.engine.Start(sound, display);
      if (errors !== 0) {
        this.Leave();
        ShowNote("The demo could not start (" + errors + (errors === 1 ? " error" : " errors") + "):\n" +
                 page.log.join("\n"));
        return;
      }
      console.info("solvane: the demo started (" + SOUND_NAMES[sound] + ", " + DISPLAY_NAMES[display] + ")");
      Object.assign(page, { frames: 0, frameMsTotal: 0, frameMsMax: 0, syncMaxMs: 0, syncSamples: 0, clockDriftMs: 0 });
      if (this.audible) this.music.Play(sound === 1);
      this.started = performance.now();
      this.shownMs = 0;
      this.running = true;
      SetState("playing");
      requestAnimationFrame(this.tick);
    }

    ClockMs() {
      return this.audible ? this.music.PositionMs() : performance.now() - this.started;
    }

    Tick() {
      if (!this.running) return;
      const ms = this.ClockMs();
      const before = performance.now();
      const result = this.engine.Frame(ms);
      const took = performance.now() - before;
      if (result === 1) {
        page.frames++;
        page.frameMsTotal += took;
        page.frameMsMax = Math.max(page.frameMsMax, took);
        this.screen.Show(this.engine.Picture());
        this.shownMs = ms;
      }
      // The call that reports the end shows nothing more: it is no sample.
      if (this.audible && page.frames > 0 && result >= 0) {
        page.syncMaxMs = Math.max(page.syncMaxMs, ms - this.shownMs);
        const apart = ms - (performance.now() - this.started);
        if (page.syncSamples++ === 0) this.firstApart = apart;
        page.clockDriftMs = apart - this.firstApart;
      }
      // -1: the demo has ended, and the engine has finished it.
      if (result < 0) this.End("its end", true);
      else requestAnimationFrame(this.tick);
    }

    OnKey(event) {
      if (!this.running || event.repeat) return;
      const vk = VirtualKey(event);
      if (!vk) return;
      event.preventDefault();
      // A key that ends the demo has finished it in the engine already; Escape
      // always ends it here, whatever the engine makes of it.
      const ended = this.engine.Key(vk) < 0;
      if (ended || vk === VK_ESCAPE) this.End(vk === VK_ESCAPE ? "Escape" : "a key", ended);
    }

    End(why, finished) {
      if (!this.running) return;
      this.running = false;
      if (!finished) this.engine.Finish();
      this.Leave();
      console.info("solvane: the demo ended (" + why + ")");
    }

    Leave() {
      this.running = false;
      if (this.audible) this.music.Stop();
      if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
      $("stage").hidden = true;
      ShowDialog();
    }
  }

  // Win32's virtual-key codes, which the engine's key handling was written for.
  function VirtualKey(event) {
    const named = { Escape: 0x1b, Enter: 0x0d, " ": 0x20, Tab: 0x09, ArrowLeft: 0x25, ArrowUp: 0x26,
                    ArrowRight: 0x27, ArrowDown: 0x28, Home: 0x24, End: 0x23 };
    if (named[event.key]) return named[event.key];
    if (/^Key[A-Z]$/.test(event.code)) return event.code.charCodeAt(3);
    if (/^Digit[0-9]$/.test(event.code)) return event.code.charCodeAt(5);
    return 0;
  }

  function ShowNote(text) {
    const note = $("note");
    note.textContent = text;
    note.hidden = !text;
  }

  function ShowDialog() {
    $("dialog").hidden = false;
    SetState("dialog");
    $("start").focus();
  }

  function SetUpDialog(engine, music, player) {
    const title = engine.Title() || document.title;
    document.title = title;
    $("caption").textContent = title;
    $("start").textContent = "Start " + title;
    const picture = engine.TitlePicture();
    const canvas = $("title-picture");
    if (picture) {
      canvas.width = picture.width; canvas.height = picture.height;
      canvas.style.width = picture.width + "px"; canvas.style.height = picture.height + "px";
      canvas.getContext("2d").putImageData(picture, 0, 0);
    } else {
      canvas.hidden = true;
    }
    const start = () => player.Start(Number($("sound").value), Number($("display").value));
    $("start").addEventListener("click", start);
    // Enter starts from anywhere in the dialog, as the desktop's default button does.
    $("dialog").addEventListener("keydown", (event) => {
      if (event.key !== "Enter" || player.running) return;
      // Not on to the demo's own keys: this press was the dialog's.
      event.preventDefault();
      event.stopPropagation();
      start();
    });
    ShowDialog();
    // From the start of the page's loading, as the browser counts it.
    page.dialogShownMs = performance.now();
    music.ready = music.Decode().then(() => ShowNote(music.note));
  }

  async function Main() {
    const query = new URLSearchParams(location.search);
    let engine;
    try {
      engine = await Engine.Load(PageBytes("solvane-module"));
    } catch (error) {
      Fail("The engine could not be loaded: " + error);
      return;
    }
    if (engine.SetData(PageBytes("solvane-data")) !== 0) {
      if (!engine.exited) Fail("The engine refused the demo's data.");
      return;
    }
    if (query.has("t")) {
      const seconds = Number(query.get("t"));
      document.body.classList.add("still");
      if (!(seconds >= 0) || engine.Still(seconds) !== 0) { if (!engine.exited) Fail("No frame at t=" + query.get("t") + "."); return; }
      $("stage").hidden = false;
      new Screen().Show(engine.Picture());
      SetState("still");
      return;
    }
    if (query.has("bench")) {
      // Every frame of the demo, one per 21 ms of its clock, as fast as they
      // come: a frame's cost in this browser, to set against the native
      // build's same loop (bench/WebFrameBench.cpp).
      // The first pass lets the browser compile the module's hot code fully,
      // as it has after a page's first frames; the second is timed.
      let frames = 0, before = 0;
      for (let pass = 0; pass < 2; pass++) {
        if (engine.Start(2, 1) !== 0) { if (!engine.exited) Fail("The demo could not start."); return; }
        frames = 0;
        before = performance.now();
        for (let ms = 0; ; ms += 21) {
          const result = engine.Frame(ms);
          if (result < 0) break;
          if (result === 1) frames++;
        }
      }
      page.bench = { frames, usPerFrame: (performance.now() - before) * 1000 / Math.max(frames, 1) };
      console.info("web-frame-bench: " + frames + " frames, " + page.bench.usPerFrame.toFixed(1) + " us a frame");
      SetState("benched");
      return;
    }
    if (query.has("check")) {
      const errors = engine.Check();
      if (engine.exited) return;
      document.body.dataset.errors = String(errors);
      ShowLog();
      SetState("checked");
      return;
    }
    const music = new Music();
    SetUpDialog(engine, music, new Player(engine, music));
  }

  Main();
})();
