// The pages' own controls in a real browser, driven by its input events: the settings panel over
// the stored record, full screen and the host's closing rules, the gallery's names.
// TV_WEB_URL: the served bundle (http://127.0.0.1:PORT/); TV_CHROMIUM: the browser.
const {test, before, after} = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

const base = process.env.TV_WEB_URL;
const kStoreKey = 'Pervik\\Tressvale\\data1';
const kBound = {timeout: 60000};
// Trackbar and label ids in the dialog's order, their ranges and their labels with no settings.
const kTrackbars = [
  [1015, 1016, 0, 20, '2 Wire'], [1019, 1026, 0, 20, '1 Point'],
  [1021, 1022, 0, 20, '3 Triangle'], [1023, 1024, 0, 20, '3 Quad'],
  [1027, 1028, 0, 20, '4 Half U'], [1029, 1030, 0, 20, '4 Half V'],
  [1033, 1034, 0, 20, '5 Smooth'], [1035, 1036, 0, 20, '1 Blended'],
  [1037, 1038, 0, 100, '30 Wobbles'], [1039, 1040, 0, 100, '40 S-Colored'],
  [1041, 1042, 0, 100, '20 Blended'], [1043, 1044, 0, 100, '30 Alpha'],
  [1045, 1046, 0, 100, '40 Wire'], [1047, 1048, 0, 300, '60 x min'],
  [1049, 1050, 0, 300, '90 x max'], [1051, 1052, 0, 300, '150 y min'],
  [1053, 1054, 0, 300, '200 y max'], [1057, 1058, 1, 100, '10 u min'],
  [1059, 1060, 1, 100, '30 u max'], [1061, 1062, 3, 50, '3 v min'],
  [1063, 1064, 3, 50, '10 v max'], [1055, 1056, 1, 20, '2 Knots'],
];
// The default labels with some replaced.
const defaultsBut = (changes) => kDefaults.map((text) => changes[text] || text);
const kDefaults = kTrackbars.map((row) => row[4]);

let browser;
before(async () => {
  browser = await puppeteer.launch({
    executablePath: process.env.TV_CHROMIUM || '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
  });
});
after(() => browser && browser.close());

// A page of its own storage (a fresh browser context), loaded and ready for input.
async function freshPage(page = 'index.html') {
  const context = await browser.createBrowserContext();
  const tab = await context.newPage();
  await tab.setViewport({width: 720, height: 450, hasTouch: true});  // room for the panel
  tab.on('pageerror', (error) => assert.fail(`page error: ${error.message}`));
  await tab.goto(base + page);
  const ready = page === 'index.html' ? '#tv-open-settings' : '.tv-name';
  await tab.waitForSelector(ready, {timeout: 20000});
  return tab;
}

async function openPanel(page) {
  await page.click('#tv-open-settings');
  await page.waitForSelector('#tv-settings:not([hidden])', {timeout: 5000});
  return page.$$eval('.tv-value', (labels) => labels.map((label) => label.textContent));
}

async function press(page, button) {
  await page.click(`#tv-button-${button}`);
  await page.waitForSelector('#tv-settings[hidden]', {timeout: 5000});
}

// Moves a trackbar as a keyboard user does: a click to focus it, Home or End, then arrows.
async function setTrackbar(page, trackbar, position) {
  const [, , min, max] = kTrackbars.find((row) => row[0] === trackbar);
  const fromMax = max - position < position - min;
  await page.click(`#tv-trackbar-${trackbar}`);
  await page.keyboard.press(fromMax ? 'End' : 'Home');
  for (let i = Math.abs((fromMax ? max : min) - position); i > 0; --i) {
    await page.keyboard.press(fromMax ? 'ArrowLeft' : 'ArrowRight');
  }
}

const label = (page, id) => page.$eval(`#tv-label-${id}`, (l) => l.textContent);
const storedText = (page) => page.evaluate((key) => localStorage.getItem(key), kStoreKey);

test('settings: defaults, ranges, mouse and keys, OK, kept over a reload, used by the saver',
     kBound, async () => {
  const page = await freshPage();
  assert.deepEqual(await openPanel(page), kDefaults);
  for (const [trackbar, labelId, min, max, text] of kTrackbars) {
    await page.click(`#tv-trackbar-${trackbar}`);
    const name = text.replace(/^\d+ /, '');
    await page.keyboard.press('End');
    assert.equal(await label(page, labelId), `${max} ${name}`);
    await page.keyboard.press('Home');
    assert.equal(await label(page, labelId), `${min} ${name}`);
  }
  await page.click('#tv-button-1010');
  const knots = await (await page.$('#tv-trackbar-1055')).boundingBox();
  await page.mouse.move(knots.x + 4, knots.y + knots.height / 2);
  await page.mouse.down();
  await page.mouse.move(knots.x + knots.width + 40, knots.y + knots.height / 2, {steps: 5});
  await page.mouse.up();
  await setTrackbar(page, 1037, 7);
  await setTrackbar(page, 1057, 7);
  await press(page, 1);
  const bytes = Buffer.from(await storedText(page), 'base64');
  assert.equal(bytes.length, 96);
  const fields = [bytes.readInt32LE(0), bytes.readInt32LE(52), bytes.readDoubleLE(72)];
  assert.deepEqual(fields, [20, 7, 7 * 0.1]);
  await page.reload();
  await page.waitForSelector('#tv-open-settings');
  const expected = {'30 Wobbles': '7 Wobbles', '10 u min': '7 u min', '2 Knots': '20 Knots'};
  assert.deepEqual(await openPanel(page), defaultsBut(expected));
  for (const [query, knots] of [['', 20], ['&defaults', 2]]) {  // the saver starts with them
    await page.goto(`${base}index.html?seed=1&at=0&size=64x64${query}`);
    await page.waitForFunction(() => document.title === 'ready', {timeout: 20000});
    assert.equal(await page.evaluate(() => window.tressvaleScene.slots.length), knots, query);
  }
  await page.browserContext().close();
});

test('settings: OK repairs the ranges as the dialog does, in the stored record', kBound,
     async () => {
  const styles = [1015, 1019, 1021, 1023, 1027, 1029, 1033, 1035];
  const cases = [  // trackbar positions set, then [byte offset, field type, value] stored
    {set: [[1059, 5], [1057, 20]], expect: [[72, 'Double', 2.0], [80, 'Double', 2.0]]},
    {set: [[1047, 100], [1049, 0], [1051, 250], [1053, 3]],
      expect: [[12, 'Int32', 100], [16, 'Int32', 250]]},
    {set: [[1061, 40], [1063, 3]], expect: [[88, 'Int32', 40], [92, 'Int32', 40]]},
    {set: styles.map((id) => [id, 0]),
      expect: [[20, 'Int32', 0], [44, 'Int32', 1], [48, 'Int32', 0]]},
  ];
  const page = await freshPage();
  for (const {set, expect} of cases) {
    await openPanel(page);
    await page.click('#tv-button-1010');
    for (const [trackbar, position] of set) await setTrackbar(page, trackbar, position);
    await press(page, 1);
    const bytes = Buffer.from(await storedText(page), 'base64');
    for (const [offset, type, value] of expect) {
      assert.equal(bytes[`read${type}LE`](offset), value, `${JSON.stringify(set)} at ${offset}`);
    }
  }
  await page.browserContext().close();
});

test('settings: Reset shows the defaults, Cancel stores nothing', kBound, async () => {
  const page = await freshPage();
  await openPanel(page);
  await setTrackbar(page, 1055, 5);
  await press(page, 1);
  const stored = await storedText(page);
  await openPanel(page);
  await page.click('#tv-button-1010');
  assert.deepEqual(await page.$$eval('.tv-value', (l) => l.map((e) => e.textContent)), kDefaults);
  await press(page, 2);
  await openPanel(page);
  await setTrackbar(page, 1037, 3);
  await page.keyboard.press('Escape');
  await page.waitForSelector('#tv-settings[hidden]', {timeout: 5000});
  assert.equal(await storedText(page), stored);
  const labels = await openPanel(page);
  assert.deepEqual([labels[8], labels[21]], ['30 Wobbles', '5 Knots']);
  await page.browserContext().close();
});

test('settings: a stored value the loader refuses opens with the defaults', kBound, async () => {
  const bytes = (length, fill) => Buffer.alloc(length, fill).toString('base64');
  const cases = [  // stored text, labels it opens with
    ['%% not base64 %%', kDefaults],
    ['', kDefaults],
    [bytes(100, 7), kDefaults],  // longer than the record: ignored whole
    [Buffer.from([5, 0, 0, 0, 99, 0, 0, 0]).toString('base64'),  // shorter: overlays its bytes
      defaultsBut({'60 x min': '99 x min', '90 x max': '99 x max', '2 Knots': '5 Knots'})],
  ];
  const page = await freshPage();
  for (const [stored, labels] of cases) {
    await page.evaluate((key, text) => localStorage.setItem(key, text), kStoreKey, stored);
    await page.reload();
    await page.waitForSelector('#tv-open-settings', {timeout: 20000});
    assert.deepEqual(await openPanel(page), labels, stored);
  }
  await page.browserContext().close();
});

test('full screen: a click or key enters; a key, button, finger or move over 4 px leaves',
     kBound, async () => {
  const move = (dx, dy) => async (page) => page.mouse.move(300 + dx, 200 + dy);
  // How it is entered, the input in full screen after a first move to (300, 200), leaves?
  const cases = [
    ['click', (page) => page.keyboard.press('KeyQ'), true],
    ['key', (page) => page.mouse.click(300, 200), true],
    ['click', (page) => page.mouse.click(300, 200, {button: 'right'}), true],
    ['click', (page) => page.touchscreen.tap(300, 200), true],
    ['click', move(3, 2), true],
    ['click', move(-5, 0), true],
    ['click', move(2, -2), false],
    ['key', move(0, 4), false],
  ];
  const page = await freshPage();
  await page.evaluate(() => {
    const exit = document.exitFullscreen.bind(document);
    document.exitFullscreen = () => ++window.exits && exit();
  });
  for (const [enter, input, leaves] of cases) {
    await page.evaluate(() => (window.exits = 0));
    if (enter === 'click') await page.mouse.click(200, 150);
    else await page.keyboard.press('KeyE');
    await page.waitForFunction(() => document.fullscreenElement, {timeout: 5000});
    await page.mouse.move(300, 200);
    await input(page);
    const what = `${enter}, ${input}`;
    assert.equal(await page.evaluate(() => window.exits > 0), leaves, what);
    if (!leaves) await move(0, 5)(page);  // 5 px from where the moves began leaves
    await page.waitForFunction(() => !document.fullscreenElement, {timeout: 5000});
    assert.equal(await page.evaluate(() => window.exits), 1, what);
  }
  await page.browserContext().close();
});

test('gallery: every stored knot by name, in the library\'s order; one opens in a chosen style',
     kBound, async () => {
  const namesFile = path.join(__dirname, '../../data/knot-names.txt');
  const names = fs.readFileSync(namesFile, 'utf8').trim().split('\n');
  assert.equal(names.length, 239);
  const page = await freshPage('gallery.html');
  assert.deepEqual(await page.$$eval('.tv-name', (c) => c.map((e) => e.textContent)), names);
  await page.click('#tv-grid li:nth-child(3) button');
  await page.waitForSelector('#tv-viewer:not([hidden])', {timeout: 5000});
  assert.equal(await page.$eval('#tv-viewer-name', (n) => n.textContent), names[2]);
  const styles = await page.$$eval('#tv-styles button', (b) => b.map((e) => e.textContent));
  assert.deepEqual(styles,
                   ['Wire', 'Point', 'Triangle', 'Quad', 'Half U', 'Half V', 'Smooth', 'Blended']);
  await page.click('#tv-styles button:nth-child(4)');
  assert.equal(await page.$eval('#tv-styles [aria-pressed="true"]', (b) => b.textContent), 'Quad');
  await page.browserContext().close();
});
