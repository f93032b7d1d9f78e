'use strict';

// The browser throttle's page: four loco cards and the stop button, driven over one WebSocket.
// What the cards show is what the station reports; a pressed lamp is only marked as asked for
// until the report shows it.
(function () {
  const SlotCount = 4;
  const SpeedSendMs = 100; // at most one speed a slot in this time while the thumb moves
  const PendingMs = 1500;
  const FirstRetryMs = 500;
  const LongestRetryMs = 5000;
  const RefusedShownMs = 5000;

  const cards = [];
  let socket = null;
  let retryMs = FirstRetryMs;
  let retryTimer = null;
  let available = false;
  let refusedTimer = null;

  function element(id) {
    return document.getElementById(id);
  }

  function setConnection(text) {
    element('connection').textContent = text;
  }

  function send(message) {
    if (socket && socket.readyState === WebSocket.OPEN)
      socket.send(JSON.stringify(message));
  }

  function holding(entry) {
    return entry.dragging || entry.speedTimer !== null;
  }

  function sendSpeed(entry) {
    if (entry.wanted === entry.sent) {
      entry.speedTimer = null;
      entry.sent = null;
      return;
    }
    entry.sent = entry.wanted;
    send({op: 'speed', slot: entry.slot, step: entry.sent});
    entry.speedTimer = setTimeout(() => sendSpeed(entry), SpeedSendMs);
  }

  function speedMoved(entry) {
    entry.wanted = Number(entry.slider.value);
    entry.step.textContent = String(entry.wanted);
    if (entry.speedTimer === null)
      sendSpeed(entry);
  }

  function toggle(entry, button) {
    const what = button.dataset.what;
    const shown = button.getAttribute('aria-pressed') === 'true';
    const now = what in entry.asked ? entry.asked[what] : shown;
    entry.asked[what] = !now;
    button.classList.add('pending');
    clearTimeout(entry.pendingTimers[what]);
    entry.pendingTimers[what] = setTimeout(() => {
      delete entry.asked[what];
      button.classList.remove('pending');
    }, PendingMs);
    send({op: 'toggle', slot: entry.slot, what: what, on: !now});
  }

  function buildCards() {
    const template = element('card-template');
    for (let n = 1; n <= SlotCount; ++n) {
      const card = template.content.firstElementChild.cloneNode(true);
      card.id = 'slot-' + n;
      const entry = {
        slot: n,
        card: card,
        address: card.querySelector('.address'),
        slider: card.querySelector('.slider'),
        step: card.querySelector('.step'),
        buttons: Array.from(card.querySelectorAll('[data-what]')),
        dragging: false,
        wanted: null,
        sent: null,
        speedTimer: null,
        asked: {},
        pendingTimers: {},
      };
      entry.slider.addEventListener('input', () => speedMoved(entry));
      entry.slider.addEventListener('pointerdown', () => { entry.dragging = true; });
      for (const button of entry.buttons)
        button.addEventListener('click', () => toggle(entry, button));
      element('cards').appendChild(card);
      cards.push(entry);
    }
    const release = () => cards.forEach((entry) => { entry.dragging = false; });
    window.addEventListener('pointerup', release);
    window.addEventListener('pointercancel', release);
  }

  function showCard(entry, slot) {
    const enabled = available && !!slot;
    entry.address.textContent = slot ? (slot.address > 0 ? 'Loco ' + slot.address : 'No loco')
                                     : 'Loco –';
    entry.slider.disabled = !enabled;
    for (const button of entry.buttons)
      button.disabled = !enabled;
    if (!slot)
      return;
    entry.slider.max = String(slot.maximum);
    if (!holding(entry)) {
      entry.slider.value = String(slot.step);
      entry.step.textContent = String(slot.step);
    }
    const reported = {
      reverse: slot.reverse,
      headlight: slot.headlight,
      f1: slot.functions[0],
      f2: slot.functions[1],
      f3: slot.functions[2],
      f4: slot.functions[3],
    };
    for (const button of entry.buttons) {
      const what = button.dataset.what;
      button.setAttribute('aria-pressed', String(reported[what]));
      if (what in entry.asked && entry.asked[what] === reported[what]) {
        delete entry.asked[what];
        clearTimeout(entry.pendingTimers[what]);
        button.classList.remove('pending');
      }
    }
    const direction = entry.card.querySelector('.direction');
    direction.textContent = slot.reverse ? '◀ Reverse' : 'Forward ▶';
  }

  function showState(state) {
    available = state.available === true;
    const slots = Array.isArray(state.slots) ? state.slots : [];
    element('unavailable').hidden = available;
    element('reason').textContent = available ? '' : String(state.reason || '');
    element('waiting').hidden = !(available && slots.length === 0);
    element('stop').disabled = !available;
    for (const entry of cards)
      showCard(entry, slots.find((slot) => slot.slot === entry.slot));
  }

  function showRefused(text) {
    const refused = element('refused');
    refused.textContent = String(text);
    refused.hidden = false;
    clearTimeout(refusedTimer);
    refusedTimer = setTimeout(() => { refused.hidden = true; }, RefusedShownMs);
  }

  function received(data) {
    let message;
    try {
      message = JSON.parse(data);
    } catch (error) {
      return;
    }
    if (message.type === 'state')
      showState(message);
    else if (message.type === 'refused')
      showRefused(message.text);
  }

  function showLogin(text) {
    element('throttle').hidden = true;
    element('login').hidden = false;
    element('login-answer').textContent = text;
    setConnection('Not logged in');
    element('code').focus();
  }

  function retryLater() {
    clearTimeout(retryTimer);
    retryTimer = setTimeout(connect, retryMs);
    retryMs = Math.min(retryMs * 2, LongestRetryMs);
  }

  // A refused handshake and a program that is gone look alike to a page; the page itself tells.
  function probe() {
    fetch('/', {cache: 'no-store'})
      .then((answer) => {
        if (answer.ok)
          showLogin('');
        else
          retryLater();
      })
      .catch(() => {
        setConnection('The program is not reachable, trying again…');
        retryLater();
      });
  }

  function connect() {
    clearTimeout(retryTimer);
    retryTimer = null;
    if (socket)
      return;
    setConnection('Connecting…');
    const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
    const ws = new WebSocket(scheme + location.host + '/socket');
    let opened = false;
    socket = ws;
    ws.addEventListener('open', () => {
      opened = true;
      retryMs = FirstRetryMs;
      element('login').hidden = true;
      element('throttle').hidden = false;
      setConnection('Connected');
    });
    ws.addEventListener('message', (event) => received(event.data));
    ws.addEventListener('close', (event) => {
      if (socket !== ws)
        return;
      socket = null;
      available = false;
      element('stop').disabled = true;
      for (const entry of cards)
        showCard(entry, null);
      if (event.code === 1008 && /log in/i.test(event.reason)) {
        showLogin(event.reason);
        return;
      }
      if (event.code === 1008)
        setConnection(event.reason + ' Trying again…');
      else if (!opened)
        return probe();
      else
        setConnection('Connection lost, reconnecting…');
      retryLater();
    });
  }

  async function logIn(event) {
    if (event)
      event.preventDefault();
    const button = element('login-button');
    const answer = element('login-answer');
    button.disabled = true;
    answer.textContent = 'Checking…';
    try {
      const reply = await fetch('/login', {
        method: 'POST',
        body: element('code').value.trim(),
        headers: {'Content-Type': 'text/plain;charset=utf-8'},
        cache: 'no-store',
        credentials: 'same-origin',
      });
      if (reply.status === 204) {
        element('code').value = '';
        answer.textContent = '';
        retryMs = FirstRetryMs;
        connect();
      } else {
        showLogin((await reply.text()).trim() || 'Refused (' + reply.status + ').');
      }
    } catch (error) {
      showLogin('The program is not reachable.');
    } finally {
      button.disabled = false;
    }
  }

  // The QR code's address carries the code in its fragment, which no request sends. It is
  // taken out of the address bar and the history at once, then used like a typed one.
  function codeFromAddress() {
    const match = /^#code=(.*)$/.exec(location.hash);
    if (!match)
      return '';
    history.replaceState(null, '', location.pathname + location.search);
    try {
      return decodeURIComponent(match[1]);
    } catch (error) {
      return '';
    }
  }

  buildCards();
  showState({available: false, reason: '', slots: []});
  element('unavailable').hidden = true;
  element('stop').addEventListener('click', () => send({op: 'stop'}));
  element('login').addEventListener('submit', logIn);
  // A phone that slept may have lost the socket without a word; look again when it wakes.
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'visible' && !socket && element('login').hidden)
      connect();
  });
  const code = codeFromAddress();
  if (code) {
    element('code').value = code;
    logIn(null);
  } else {
    connect();
  }
})();
