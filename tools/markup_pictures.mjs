// Pictures for comparing kalvane-cli's own drawing of an equation with MathJax's drawing of the
// MathML that kalvane-cli writes for it: for each equation, Kalvane's PNG, MathJax's SVG and PNG
// (through rsvg-convert), the MathML, and the two PNGs side by side (Kalvane left, MathJax
// right; ImageMagick's convert, when there is one).
//
// Usage: node tools/markup_pictures.mjs --out DIR [--cli KALVANE_CLI] [--style plain|kalvane]
//                                       [--corpus ID]... [TEXT]...
//   --corpus ID  an equation of bench/corpus.tsv, by its id (repeatable)
//   TEXT         an equation's text (a line break separates its lines)
//   --cli        the program (default: build/src/kalvane-cli)
// Needs bench/node_modules (`npm ci` in bench/) and rsvg-convert (librsvg2-bin). DIR/index.txt
// lists which files hold which equation.
import { spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const root = fileURLToPath(new URL('..', import.meta.url));
const benchDir = join(root, 'bench');
const dpi = 200;
// Kalvane's standard font is 4 mm high; MathJax's drawing gets the same em.
const emPixels = (4 / 25.4) * dpi;

function fail(message) {
  console.error(`markup_pictures: ${message}`);
  process.exit(1);
}

// --- arguments ----------------------------------------------------------------------------------
let out = null;
let cli = join(root, 'build/src/kalvane-cli');
let style = 'plain';
const equations = [];
const corpusIds = [];
const args = process.argv.slice(2);
for (let i = 0; i < args.length; i++) {
  const arg = args[i];
  const value = () => {
    if (i + 1 >= args.length) fail(`${arg} needs a value`);
    return args[++i];
  };
  if (arg === '--out') out = value();
  else if (arg === '--cli') cli = value();
  else if (arg === '--style') style = value();
  else if (arg === '--corpus') corpusIds.push(value());
  else if (arg === '--') {
    equations.push(...args.slice(i + 1).map((text) => ({ text })));
    break;
  } else equations.push({ text: arg });
}
if (!out || (equations.length === 0 && corpusIds.length === 0)) {
  fail('usage: node tools/markup_pictures.mjs --out DIR [--cli KALVANE_CLI] ' +
       '[--style plain|kalvane] [--corpus ID]... [TEXT]...');
}
if (corpusIds.length > 0) {
  const lines = readFileSync(join(benchDir, 'corpus.tsv'), 'utf8').split('\n').filter(Boolean);
  const column = lines[0].split('\t').indexOf('kalvane');
  const byId = new Map(lines.slice(1).map((line) => line.split('\t'))
    .map((cells) => [cells[0], cells[column]]));
  for (const id of corpusIds) {
    if (!byId.has(id)) fail(`bench/corpus.tsv has no equation ${id}`);
  }
  equations.unshift(...corpusIds.map((id) => ({ id, text: byId.get(id) })));
}
if (!existsSync(join(benchDir, 'node_modules', 'mathjax-full'))) {
  fail(`${join(benchDir, 'node_modules')} is missing: run \`npm ci\` in ${benchDir}`);
}
if (spawnSync('rsvg-convert', ['--version']).status !== 0) {
  fail('rsvg-convert is missing (Debian package librsvg2-bin)');
}
const convertVersion = spawnSync('convert', ['-version'], { encoding: 'utf8' });
const imageMagick = convertVersion.status === 0 && /ImageMagick/.test(convertVersion.stdout);

// --- MathJax ------------------------------------------------------------------------------------
const require = createRequire(join(benchDir, 'package.json'));
const { mathjax } = require('mathjax-full/js/mathjax.js');
const { MathML } = require('mathjax-full/js/input/mathml.js');
const { SVG } = require('mathjax-full/js/output/svg.js');
const { liteAdaptor } = require('mathjax-full/js/adaptors/liteAdaptor.js');
const { RegisterHTMLHandler } = require('mathjax-full/js/handlers/html.js');
const adaptor = liteAdaptor();
RegisterHTMLHandler(adaptor);
const mathDocument = mathjax.document('', {
  InputJax: new MathML(),
  OutputJax: new SVG({ fontCache: 'local' }),
});

// MathJax's SVG of one <math> element, sized in pixels (its viewBox is in thousandths of an em).
function mathjaxSvg(math) {
  const container = mathDocument.convert(math, { display: true });
  const svg = adaptor.firstChild(container);
  const [, , width, height] = adaptor.getAttribute(svg, 'viewBox').split(' ').map(Number);
  adaptor.setAttribute(svg, 'width', `${((width / 1000) * emPixels).toFixed(1)}px`);
  adaptor.setAttribute(svg, 'height', `${((height / 1000) * emPixels).toFixed(1)}px`);
  adaptor.removeAttribute(svg, 'style');
  return adaptor.outerHTML(svg);
}

function run(program, programArgs) {
  const result = spawnSync(program, programArgs, { encoding: 'utf8' });
  if (result.status !== 0) {
    throw new Error(`${program} ${programArgs.join(' ')}: ${(result.stderr || '').trim()}`);
  }
  return result.stdout;
}

// --- the pictures -------------------------------------------------------------------------------
mkdirSync(out, { recursive: true });
const index = [];
let failed = 0;
equations.forEach((equation, i) => {
  const name = equation.id ?? String(i + 1);
  const file = (suffix) => resolve(out, `${name}${suffix}`);
  index.push(`${name}\t${equation.text}`);
  try {
    run(cli, ['render', '-o', file('-kalvane.png'), '--background', 'white', '--dpi', String(dpi),
              '--', equation.text]);
    const math = run(cli, ['convert', '--to', 'mathml', '--style', style, '--', equation.text])
      .trim();
    writeFileSync(file('.mml'), `${math}\n`);
    writeFileSync(file('-mathjax.svg'), mathjaxSvg(math));
    run('rsvg-convert', ['-b', 'white', '-o', file('-mathjax.png'), file('-mathjax.svg')]);
    if (imageMagick) {
      run('convert', [file('-kalvane.png'), file('-mathjax.png'), '-bordercolor', 'white',
                      '-border', '16', '-background', 'white', '-gravity', 'center', '+append',
                      '-bordercolor', 'gray60', '-border', '1', file('-side.png')]);
    }
    console.log(`${name}: ${imageMagick ? file('-side.png') : file('-mathjax.png')}`);
  } catch (error) {
    ++failed;
    console.error(`${name}: ${error.message}`);
  }
});
writeFileSync(join(out, 'index.txt'), '# name, then text; NAME-side.png: Kalvane left, ' +
              `MathJax right\n${index.join('\n')}\n`);
process.exit(failed === 0 ? 0 : 1);
