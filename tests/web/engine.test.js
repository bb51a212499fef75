// The engine in a real browser against tressvale-render: for a seed and a time the page's scene
// and frame are the native run's, and each style's still is tressvale-render --knot's.
// TV_WEB_URL: the served bundle (http://127.0.0.1:PORT/); TV_RENDER: tressvale-render;
// TV_CHROMIUM: the browser.
const {test, before, after} = require('node:test');
const assert = require('node:assert/strict');
const {execFileSync} = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {PNG} = require('pngjs');
const puppeteer = require('puppeteer-core');

const kSize = '640x360';
const kBound = 60000;  // ms for one page or one native run
const kLevels = 8;     // a pixel matches when every channel is within this many levels
const kShare = 0.99;   // of the pixels that must match
// Scenes: a seed, a time, and what the row must show besides the first frame's knots.
const kScenes = [
  {seed: 9, at: 6000, shows: 'the first knots', check: (s) => s.knotsChosen === s.slots.length},
  {seed: 2, at: 6000, shows: 'translucent knots', check: (s) => s.slots.every((k) => k.translucent)},
  {seed: 3, at: 30000, shows: 'knot changes', check: (s) => s.knotsChosen > s.slots.length},
  {seed: 8, at: 30000, shows: 'a translucent knot after changes',
   check: (s) => s.knotsChosen > s.slots.length && s.slots.some((k) => k.translucent)},
  {seed: 4, at: 30000, shows: 'a wire knot', check: (s) => s.slots.some((k) => k.style === 0)},
];
// One stored knot in every style, by the names tressvale-render --style takes.
const kStillKnot = 17;
const kStyles = ['Wire', 'Point', 'Triangle', 'Quad', 'Half U', 'Half V', 'Smooth', 'Blended'];

let browser;
let dir;
before(async () => {
  dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tv-engine-'));
  browser = await puppeteer.launch({
    executablePath: process.env.TV_CHROMIUM || '/usr/bin/chromium', headless: true,
    userDataDir: path.join(dir, 'profile'), timeout: kBound,
    // Software WebGL 2, and nothing that reaches for the network.
    args: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-quic',
           ...(process.getuid() === 0 ? ['--no-sandbox'] : [])],
  });
});
after(async () => {
  if (browser) await browser.close();
  fs.rmSync(dir, {recursive: true, force: true});
});

// tressvale-render's picture, and its scene as JSON when asked.
function native(args, withScene) {
  const png = path.join(dir, 'native.png');
  const json = path.join(dir, 'native.json');
  execFileSync(process.env.TV_RENDER, [...args, '--png', png, '--size', kSize, '--defaults',
                                       ...(withScene ? ['--scene-json', json] : [])],
               {timeout: kBound, stdio: 'ignore'});
  return {picture: PNG.sync.read(fs.readFileSync(png)),
          scene: withScene ? JSON.parse(fs.readFileSync(json, 'utf8')) : undefined};
}

// The page's test hook: its frame and scene once the title says it is done.
async function page(query) {
  const tab = await browser.newPage();
  try {
    const errors = [];
    tab.on('pageerror', (error) => errors.push(error.message));
    await tab.goto(`${process.env.TV_WEB_URL}index.html?${query}&size=${kSize}&defaults`,
                   {timeout: kBound});
    await tab.waitForFunction(() => document.title === 'ready', {timeout: kBound});
    assert.deepEqual(errors, []);
    const [url, scene] = await tab.evaluate(() => [
      document.getElementById('tressvale').toDataURL('image/png'), window.tressvaleScene]);
    return {picture: PNG.sync.read(Buffer.from(url.split(',')[1], 'base64')), scene};
  } finally {
    await tab.close();
  }
}

// The share of pixels whose red, green and blue are all within kLevels of the other's.
function matchingShare(a, b) {
  assert.deepEqual([a.width, a.height], [b.width, b.height]);
  let matching = 0;
  for (let i = 0; i < a.data.length; i += 4) {
    matching += [0, 1, 2].every((c) => Math.abs(a.data[i + c] - b.data[i + c]) <= kLevels);
  }
  return matching / (a.width * a.height);
}

// Equal scenes: positions (worked out with the platform's sine and cosine) within 1e-9,
// everything else exactly.
function assertSameScene(actual, expected, where = 'scene') {
  if (['position', 'pathStart', 'pathEnd'].some((key) => where.endsWith('.' + key))) {
    expected.forEach((x, i) => assert.ok(Math.abs(actual[i] - x) <= 1e-9, `${where}[${i}]: ${actual[i]} vs ${x}`));
  } else if (expected !== null && typeof expected === 'object') {
    assert.deepEqual(Object.keys(actual), Object.keys(expected), where);
    for (const key of Object.keys(expected)) assertSameScene(actual[key], expected[key], `${where}.${key}`);
  } else {
    assert.equal(actual, expected, where);
  }
}

for (const row of kScenes) {
  test(`seed ${row.seed} at ${row.at} ms (${row.shows}): the native scene and frame`, {timeout: 3 * kBound}, async () => {
    const expected = native(['--seed', String(row.seed), '--at', String(row.at)], true);
    const actual = await page(`seed=${row.seed}&at=${row.at}`);
    assert.ok(row.check(expected.scene), `the native scene shows ${row.shows}`);
    assertSameScene(actual.scene, expected.scene);
    const share = matchingShare(actual.picture, expected.picture);
    assert.ok(share >= kShare, `${(100 * share).toFixed(2)}% of the pixels match`);
  });
}

test('the comparison tells two scenes apart', {timeout: 3 * kBound}, async () => {
  const [a, b] = kScenes;
  const actual = await page(`seed=${a.seed}&at=${a.at}`);
  const other = native(['--seed', String(b.seed), '--at', String(b.at)], false);
  assert.ok(matchingShare(actual.picture, other.picture) < kShare);
});

kStyles.forEach((style, number) => {
  test(`stored knot ${kStillKnot} in style ${style}: the native still`, {timeout: 3 * kBound}, async () => {
    const expected = native(['--knot', String(kStillKnot), '--style', style], false);
    const actual = await page(`knot=${kStillKnot}&style=${number}`);
    const share = matchingShare(actual.picture, expected.picture);
    assert.ok(share >= kShare, `${(100 * share).toFixed(2)}% of the pixels match`);
  });
});
