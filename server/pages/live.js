// The board's state, live: one WebSocket to /ws that reconnects on its own, the elements that carry
// the state's values by id, and the clocks, drawn from this page's own clock between messages.
"use strict";

const Live = (() => {
  // The game clock's text as the board's display shows it: MM:SS above 59.9 s, where each second
  // shows from its first tenth (60.1 s reads 1:01), SS.T from 59.9 s down; leading zeros stay dark.
  // Works in ten-thousandths of a second, as the board counts.
  function clockText(ms) {
    let v = Math.min(Math.max(Math.round(ms * 10), 0), 5999 * 10000);
    const colon = v > 599000;
    if (colon) v += 9000;
    const position = [0, 0, 0, 0, 0, 0];
    const unit = [0, 6000000, 600000, 100000];
    for (let p = 1; p <= 3; ++p) {
      const q = Math.floor(v / unit[p]);
      if (q >= 1) {
        position[p] = q;
        v -= unit[p] * q;
      }
    }
    position[4] = Math.floor(v / 10000);
    v -= position[4] * 10000;
    position[5] = Math.floor(v / 1000);
    const first = colon ? 1 : 3;
    const last = colon ? 4 : 5;
    const digits = [];
    for (let p = first; p <= last; ++p) {
      const lit = position[p] > 0 || p === 4 || (p !== first && digits[digits.length - 1] !== "");
      digits.push(lit ? String(position[p]) : "");
    }
    return colon ? digits[0] + digits[1] + ":" + digits[2] + digits[3] : digits[0] + digits[1] + "." + digits[2];
  }

  // The shot clock's text: whole seconds rounded up, seconds and tenths under 5 s.
  function shotClockText(ms) {
    const tenths = Math.max(0, Math.floor(ms / 100));
    return tenths < 50 ? Math.floor(tenths / 10) + "." + (tenths % 10) : String(Math.floor((tenths + 9) / 10));
  }

  // A clock from the last message: a running one counts down from when the message came.
  class LiveClock {
    constructor(element, format) {
      this.element = element;
      this.format = format;
      this.clock = null;
      this.at = 0;
    }
    update(clock) {
      this.clock = clock;
      this.at = performance.now();
    }
    text(now) {
      if (!this.clock) return "";
      if (!this.clock.running || this.clock.timeOfDay) return this.clock.shown;
      return this.format(Math.max(0, this.clock.remainingMs - (now - this.at)));
    }
  }

  const byId = (id) => document.getElementById(id);

  // Sets an element's text when it changed; an LED element also gets its dark digits behind it.
  function show(id, text) {
    const element = byId(id);
    if (!element || element.textContent === text) return;
    element.textContent = text;
    const cells = Number(element.dataset.digits || 0);
    if (cells) {
      const lit = text.replace(/[0-9]/g, "8");
      const shown = (lit.match(/[0-9]/g) || []).length;
      const ghost = "8".repeat(Math.max(0, cells - shown)) + lit;
      element.dataset.ghost = ghost;
      // Monospaced, so the dark digits' width is known.
      element.style.minWidth = ghost.length + "ch";
    }
  }

  function lamp(id, on) {
    const element = byId(id);
    if (element) element.classList.toggle("on", on);
  }

  function timeouts(id, left) {
    const element = byId(id);
    if (!element || element.dataset.left === String(left)) return;
    element.dataset.left = String(left);
    element.textContent = String(left);
  }

  function render(state) {
    const root = document.documentElement.style;
    for (const [name, value] of Object.entries(state.colors || {})) {
      if (/^#[0-9a-fA-F]{6}$/.test(value)) root.setProperty("--" + name, value);
    }
    document.body.dataset.layout = state.layout;
    show("title", state.title || "");
    for (const team of ["home", "visitor"]) {
      show(team + "-name", state[team].name);
      show(team + "-score", String(state[team].score));
      show(team + "-fouls", String(state[team].fouls));
      timeouts(team + "-timeouts", state[team].timeoutsLeft);
      lamp(team + "-bonus", state.lamps[team + "Bonus"]);
      lamp(team + "-possession", state.lamps.possession === team);
    }
    show("period", state.layout === "game" ? state.periodShown : String(state.period));
  }

  // Connects to the board and keeps the page's elements up to date. onMessage, when given, gets every
  // message; onStatus gets the connection's state as text.
  function start({ token = "", onMessage = null, onStatus = null } = {}) {
    const clocks = [new LiveClock("game-clock", clockText), new LiveClock("shot-clock", shotClockText)];
    let socket = null;
    let retry = null;
    const status = (text) => onStatus && onStatus(text);

    function connect() {
      const scheme = location.protocol === "https:" ? "wss://" : "ws://";
      const query = token ? "?token=" + encodeURIComponent(token) : "";
      socket = new WebSocket(scheme + location.host + "/ws" + query);
      socket.onopen = () => status("connected");
      socket.onmessage = (event) => {
        let message;
        try {
          message = JSON.parse(event.data);
        } catch (e) {
          return;
        }
        if (!message.error) {
          render(message);
          clocks[0].update(message.gameClock);
          clocks[1].update(message.shotClock);
        }
        if (onMessage) onMessage(message);
      };
      socket.onclose = () => {
        status("reconnecting");
        clearTimeout(retry);
        retry = setTimeout(connect, 1000);
      };
    }

    function frame(now) {
      for (const clock of clocks) show(clock.element, clock.text(now));
      requestAnimationFrame(frame);
    }

    connect();
    requestAnimationFrame(frame);
    return {
      send(command) {
        if (!socket || socket.readyState !== WebSocket.OPEN) return false;
        socket.send(JSON.stringify(command));
        return true;
      },
      // Connects again, with a new token.
      reconnect(newToken) {
        token = newToken;
        if (socket) {
          socket.onclose = null;
          socket.close();
        }
        connect();
      },
    };
  }

  return { start, clockText, shotClockText };
})();
