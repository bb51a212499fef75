// The saver's settings in the browser: the 96-byte record kept in local storage (base64) under
// the saver's key path and value name, read and written by the saver's own code in the wasm
// module, and the settings panel: the configuration dialog laid out from its resource
// (kConfigDialog, which the build appends from tressvale.rc) with its trackbars, labels, OK,
// Cancel and Reset.
// A var, so that the page script can ask window.TvSettings whether the panel is there.
var TvSettings = (() => {
  const kStoreKey = 'Pervik\\Tressvale\\data1';
  const kUnitX = 1.5, kUnitY = 1.625;  // dialog units of the 8-point dialog font, in CSS pixels
  const kOk = 1, kCancel = 2;
  let wasm = null;
  let panel = null;  // the overlay, built on first use
  let onSaved = () => {};
  const sliders = [];  // by trackbar row
  const labels = [];

  const heap = () => wasm.HEAPU8;
  const cString = (at) => wasm.UTF8ToString(at);

  // The stored bytes; null when nothing is stored or the text is not base64 at all.
  function storedBytes() {
    const text = localStorage.getItem(kStoreKey);
    if (text === null) return null;
    try {
      return Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
    } catch (e) {
      return null;
    }
  }

  // Loads the stored record as the saver's loader does; toSaver: also for the saver about to start.
  function load(toSaver) {
    const bytes = storedBytes();
    if (bytes) {
      const at = wasm._tv_settings_value(bytes.length);
      heap().set(bytes, at);
    }
    wasm._tv_settings_load(bytes ? 1 : 0, toSaver ? 1 : 0);
  }

  function showLabels() {
    sliders.forEach((slider, row) => {
      labels[row].textContent = cString(wasm._tv_settings_label(row, Number(slider.value)));
    });
  }

  function settingsToControls() {
    sliders.forEach((slider, row) => (slider.value = wasm._tv_settings_position(row)));
    showLabels();
  }

  // OK: the positions into the record, the dialog's repairs, the record saved and stored.
  function controlsToSettings() {
    sliders.forEach((slider, row) => wasm._tv_settings_set(row, Number(slider.value)));
    const at = wasm._tv_settings_ok();
    const bytes = heap().slice(at, at + wasm._tv_settings_size());
    localStorage.setItem(kStoreKey, btoa(String.fromCharCode(...bytes)));
  }

  function element(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }

  function place(node, [x, y, width, height]) {
    Object.assign(node.style, {
      left: `${x * kUnitX}px`, top: `${y * kUnitY}px`,
      width: `${width * kUnitX}px`, height: `${height * kUnitY}px`,
    });
    return node;
  }

  function command(id) {
    if (id === kOk) {
      controlsToSettings();
      close();
      onSaved();
    } else if (id === kCancel) {
      close();
    } else if (id === wasm._tv_settings_reset_button()) {
      wasm._tv_settings_reset();
      settingsToControls();
    }
  }

  function makeItem(item, rowOfTrackbar, rowOfLabel) {
    switch (item.kind) {
      case 'GROUPBOX': {
        const box = element('fieldset', 'tv-group');
        box.append(element('legend', '', item.text));
        return box;
      }
      case 'msctls_trackbar32': {
        const row = rowOfTrackbar.get(item.id);
        const slider = sliders[row] = element('input', 'tv-trackbar');
        Object.assign(slider, {type: 'range', step: 1, id: `tv-trackbar-${item.id}`,
                               min: wasm._tv_settings_row_min(row),
                               max: wasm._tv_settings_row_max(row)});
        slider.addEventListener('input', showLabels);
        return slider;
      }
      case 'DEFPUSHBUTTON':
      case 'PUSHBUTTON': {
        const kind = item.kind === 'DEFPUSHBUTTON' ? 'tv-default' : '';
        const button = element('button', kind, item.text);
        button.id = `tv-button-${item.id}`;
        button.addEventListener('click', () => command(item.id));
        return button;
      }
      default: {  // LTEXT, CTEXT: a label, a text or a link
        const align = item.kind === 'CTEXT' ? 'tv-center' : '';
        const text = element(item.link ? 'a' : 'div', align, item.text);
        if (item.link) {
          text.href = /^https?:/.test(item.text) ? item.text : `mailto:${item.text}`;
          text.target = '_blank';
        }
        if (rowOfLabel.has(item.id)) {
          labels[rowOfLabel.get(item.id)] = text;
          text.id = `tv-label-${item.id}`;
          text.classList.add('tv-value');
        }
        return text;
      }
    }
  }

  function build() {
    const rowOfTrackbar = new Map(), rowOfLabel = new Map();
    for (let row = 0; row < wasm._tv_settings_rows(); ++row) {
      rowOfTrackbar.set(wasm._tv_settings_row_trackbar(row), row);
      rowOfLabel.set(wasm._tv_settings_row_label(row), row);
    }
    panel = element('div', 'tv-panel');
    panel.id = 'tv-settings';
    panel.hidden = true;
    const dialog = element('div', 'tv-dialog');
    dialog.setAttribute('role', 'dialog');
    dialog.append(element('div', 'tv-caption', kConfigDialog.caption));
    const body = place(element('div', 'tv-body'), [0, 0, ...kConfigDialog.size]);
    for (const item of kConfigDialog.items) {
      body.append(place(makeItem(item, rowOfTrackbar, rowOfLabel), item.rect));
    }
    dialog.append(body);
    panel.append(dialog);
    // The dialog's keys: Enter is its default button, Escape cancels. No input reaches the page.
    panel.addEventListener('keydown', (event) => {
      event.stopPropagation();
      if (event.key === 'Enter' && event.target.tagName !== 'BUTTON') command(kOk);
      if (event.key === 'Escape') command(kCancel);
    });
    panel.addEventListener('click', (event) => event.stopPropagation());
    document.body.append(panel);
  }

  function open() {
    if (!panel) build();
    load(false);
    settingsToControls();
    panel.hidden = false;
    panel.querySelector(`#tv-button-${kOk}`).focus();
  }

  function close() {
    panel.hidden = true;
  }

  // index.html: the settings button and full screen. useStored: the stored settings go to the
  // saver about to start (the test hook's `defaults` keeps the defaults); restart: starts the
  // saver again after OK, so the new settings show at once.
  function setUpPage(module, useStored, restart) {
    wasm = module;
    onSaved = () => {
      load(true);
      restart();
    };
    if (useStored) load(true);
    const button = element('button', 'tv-open-settings', 'Settings');
    button.id = 'tv-open-settings';
    button.addEventListener('click', open);
    document.body.append(button);
    TvFullScreen.attach(wasm._tv_close_move_threshold(), () => !isOpen());
  }

  const isOpen = () => panel !== null && !panel.hidden;
  return {setUpPage};
})();
