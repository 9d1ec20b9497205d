// The markup kalvane-cli writes, read by the programs that take it: every MathML file must be
// well-formed XML that MathJax 3 turns into SVG with its checks on, every LaTeX file must pass
// KaTeX in strict mode. Both come from bench/node_modules (`npm ci` in bench/ installs them).
//
// Usage: node consumers.mjs KALVANE_CLI CORPUS.tsv EDGE_INPUTS.txt
//
// CORPUS.tsv: the benchmark corpus (its column `kalvane`). EDGE_INPUTS.txt: one equation a line
// as `render --batch` reads it (a literal \n separates the equation's lines); a line may start
// with settings, KEY=VALUE separated by spaces, then a tab: the equation is then saved as a
// document with those settings and the document goes into the list. A corpus equation holding a
// literal \n (a subscript n) is saved as a document too, so that it stays one line.
//
// Each list is written four times, by one `render --batch` each: MathML and LaTeX, in the plain
// and in Kalvane's style. Every fault is printed on one line with the markup; the last lines
// count the equations per list, style and format. Exit status 1 when anything failed.
import { spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { basename, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const benchDir = fileURLToPath(new URL('../../bench/', import.meta.url));
const styles = ['plain', 'kalvane'];
const formats = ['mml', 'tex'];
const xmlDeclaration = '<?xml version="1.0" encoding="UTF-8"?>\n';
const mathStart = '<math xmlns="http://www.w3.org/1998/Math/MathML" display="block">';

// The presentation elements of MathML 3, with the elements that carry annotations.
const mathmlElements = new Set([
  'math', 'mi', 'mn', 'mo', 'mtext', 'mspace', 'ms', 'mglyph', 'mrow', 'mfrac', 'msqrt', 'mroot',
  'mstyle', 'mpadded', 'mphantom', 'mfenced', 'menclose', 'msub', 'msup', 'msubsup', 'munder',
  'mover', 'munderover', 'mmultiscripts', 'mprescripts', 'none', 'mtable', 'mtr', 'mlabeledtr',
  'mtd', 'maligngroup', 'malignmark', 'mstack', 'mlongdiv', 'msgroup', 'msrow', 'mscarries',
  'mscarry', 'msline', 'maction', 'semantics', 'annotation', 'annotation-xml',
]);

function fail(message) {
  console.error(`markup consumers: ${message}`);
  process.exit(1);
}

const [cli, corpusPath, edgePath] = process.argv.slice(2);
if (!cli || !corpusPath || !edgePath) {
  fail('usage: node consumers.mjs KALVANE_CLI CORPUS.tsv EDGE_INPUTS.txt');
}
for (const name of ['mathjax-full', 'katex']) {
  if (!existsSync(join(benchDir, 'node_modules', name, 'package.json'))) {
    fail(`${join(benchDir, 'node_modules', name)} is missing: run \`npm ci\` in ${benchDir}`);
  }
}
if (spawnSync('xmllint', ['--version']).status !== 0) {
  fail('xmllint is missing (Debian package libxml2-utils)');
}

const require = createRequire(join(benchDir, 'package.json'));
const { mathjax } = require('mathjax-full/js/mathjax.js');
const { MathML } = require('mathjax-full/js/input/mathml.js');
const { SVG } = require('mathjax-full/js/output/svg.js');
const { liteAdaptor } = require('mathjax-full/js/adaptors/liteAdaptor.js');
const { RegisterHTMLHandler } = require('mathjax-full/js/handlers/html.js');
const { STATE } = require('mathjax-full/js/core/MathItem.js');
const katex = require('katex');

// MathJax with every check of its MathML input on and none of its repairs: a wrong number of
// children, an unknown attribute or a table row outside <mtr> becomes an merror, and a compile or
// typeset error is thrown rather than drawn.
const adaptor = liteAdaptor();
RegisterHTMLHandler(adaptor);
const mathDocument = mathjax.document('', {
  InputJax: new MathML({
    verify: { checkArity: true, checkAttributes: true, fullErrors: true,
              fixMmultiscripts: false, fixMtables: false },
  }),
  OutputJax: new SVG({ fontCache: 'none' }),
  compileError: (_document, _math, error) => { throw error; },
  typesetError: (_document, _math, error) => { throw error; },
});

// The faults MathJax finds in one <math> element (the XML declaration taken off, as an XML
// parser does before handing the element over).
function mathjaxFaults(math) {
  const faults = [];
  const tree = mathDocument.convert(math, { display: true, end: STATE.COMPILED });
  tree.walkTree((node) => {
    if (node.isKind('merror')) faults.push(`merror: ${node.attributes.get('data-mjx-message')}`);
  });
  const svg = adaptor.outerHTML(mathDocument.convert(math, { display: true }));
  if (faults.length === 0 && /data-mjx-error|data-mml-node="merror"/.test(svg)) {
    faults.push('an error in the SVG');
  }
  return faults;
}

// --- the lists ----------------------------------------------------------------------------------

function readCorpus(path) {
  const lines = readFileSync(path, 'utf8').split('\n').filter((line) => line.length > 0);
  const column = lines[0].split('\t').indexOf('kalvane');
  if (column < 0) fail(`${path} has no column kalvane`);
  return lines.slice(1).map((line) => {
    const cells = line.split('\t');
    return { label: `${basename(path)}:${cells[0]}`, text: cells[column], literal: true };
  });
}

function readEdges(path) {
  const equations = [];
  readFileSync(path, 'utf8').split('\n').forEach((line, index) => {
    if (line.length === 0) return;
    const tab = line.indexOf('\t');
    const settings = tab < 0 ? [] : line.slice(0, tab).split(' ').filter((s) => s.length > 0);
    equations.push({ label: `${basename(path)}:${index + 1}`,
                     text: tab < 0 ? line : line.slice(tab + 1), settings, literal: false });
  });
  return equations;
}

// The line of the batch list for one equation: the text itself, or a document saved with the
// equation's settings (or holding a literal \n that the batch would take for a line break).
function batchLine(equation, work, number) {
  const settings = equation.settings ?? [];
  const keepsBackslashN = equation.literal && equation.text.includes('\\n');
  if (settings.length === 0 && !keepsBackslashN) return equation.text;
  const document = join(work, `${number}.kv3`);
  const text = keepsBackslashN ? equation.text : equation.text.replaceAll('\\n', '\n');
  const sets = settings.flatMap((setting) => ['--set', setting]);
  const saved = spawnSync(cli, ['save', '-o', document, ...sets, '--', text], { encoding: 'utf8' });
  if (saved.status !== 0) fail(`cannot save ${equation.label}: ${saved.stderr.trim()}`);
  return document;
}

// --- the checks ---------------------------------------------------------------------------------

// Well-formedness of every file of a folder, by libxml2 in one run: the messages per file.
function xmlFaults(files) {
  const faults = new Map();
  if (files.length === 0) return faults;
  const lint = spawnSync('xmllint', ['--noout', '--nonet', ...files], { encoding: 'utf8' });
  for (const line of lint.stderr.split('\n')) {
    const found = /^(.*?):(\d+): (.*)$/.exec(line);
    if (found && files.includes(found[1])) {
      if (!faults.has(found[1])) faults.set(found[1], found[3]);
    }
  }
  if (lint.status !== 0 && faults.size === 0) faults.set(files[0], lint.stderr.trim());
  return faults;
}

function checkMathML(file, content, blank, xml) {
  const faults = [];
  if (!content.startsWith(xmlDeclaration)) faults.push('no XML declaration on the first line');
  const math = content.slice(content.startsWith(xmlDeclaration) ? xmlDeclaration.length : 0)
    .replace(/\n$/, '');
  if (math.includes('\n')) faults.push('the <math> element is not on one line');
  if (!math.startsWith(mathStart) || !math.endsWith('</math>')) {
    faults.push(`not one element ${mathStart}…</math>`);
  }
  if (xml.has(file)) faults.push(`not well-formed XML: ${xml.get(file)}`);
  for (const [, name] of math.matchAll(/<([A-Za-z][\w:.-]*)/g)) {
    if (!mathmlElements.has(name)) faults.push(`<${name}> is no MathML element`);
  }
  if (!blank && math === `${mathStart}</math>`) faults.push('empty <math> for an equation');
  if (faults.length > 0) return { faults, markup: math };
  try {
    faults.push(...mathjaxFaults(math));
  } catch (error) {
    faults.push(`MathJax: ${error.message}`);
  }
  return { faults, markup: math };
}

const warnings = new Map();  // KaTeX's warning, with the first equation that gave it

function checkLatex(content, blank, label) {
  const faults = [];
  const tex = content.replace(/\n$/, '');
  if (tex.includes('\n')) faults.push('not on one line');
  if (!blank && tex.trim().length === 0) faults.push('empty LaTeX for an equation');
  // Strict mode as 'error', but every complaint is kept: some KaTeX does not throw but settles
  // the way LaTeX does, such as a \\ outside an environment in display mode, which LaTeX drops
  // (the equation's lines would run together).
  const complaints = [];
  const strict = (code, message) => {
    complaints.push(`KaTeX strict: ${message} [${code}]`);
    return 'error';
  };
  // KaTeX warns (and draws in the reader's fallback font) where its fonts lack a character in
  // the mode it is set in: told, not counted as a fault.
  const warn = console.warn;
  console.warn = (message) => {
    if (!warnings.has(String(message))) warnings.set(String(message), label);
  };
  try {
    katex.renderToString(tex, { displayMode: true, throwOnError: true, strict });
  } catch (error) {
    faults.push(`KaTeX: ${error.message}`);
  } finally {
    console.warn = warn;
  }
  for (const complaint of complaints) {
    if (!faults.some((fault) => fault.includes(complaint.slice('KaTeX strict: '.length)))) {
      faults.push(complaint);
    }
  }
  return { faults, markup: tex };
}

// --- the run ------------------------------------------------------------------------------------

const lists = [
  { name: basename(corpusPath), equations: readCorpus(corpusPath) },
  { name: basename(edgePath), equations: readEdges(edgePath) },
];
const work = mkdtempSync(join(tmpdir(), 'kalvane-markup-'));
const summary = [];
let failures = 0;
let passes = 0;
try {
  lists.forEach((list, listIndex) => {
    if (list.equations.length === 0) fail(`${list.name} holds no equation`);
    const listDir = join(work, `list${listIndex}`);
    const documents = join(listDir, 'documents');
    mkdirSync(documents, { recursive: true });
    const lines = list.equations.map((equation, i) => batchLine(equation, documents, i + 1));
    const listFile = join(listDir, 'list.txt');
    writeFileSync(listFile, `${lines.join('\n')}\n`);

    for (const style of styles) {
      for (const format of formats) {
        const outDir = join(listDir, `${style}-${format}`);
        const run = spawnSync(cli, ['render', '--batch', listFile, '--out-dir', outDir,
                                    '--format', format, '--style', style], { encoding: 'utf8' });
        if (run.status !== 0 && run.status !== 1) {
          fail(`render --batch --format ${format} --style ${style} ended with status ` +
               `${run.status}: ${(run.stderr ?? '').trim()}`);
        }
        const batchFaults = new Map();
        for (const line of run.stderr.split('\n')) {
          const found = line.startsWith(`${listFile}:`) &&
                        /^(\d+): (.*)$/.exec(line.slice(listFile.length + 1));
          if (found) batchFaults.set(Number(found[1]), found[2]);
        }
        const files = list.equations.map((_, i) => join(outDir, `${i + 1}.${format}`));
        const present = files.filter((file) => existsSync(file));
        const xml = format === 'mml' ? xmlFaults(present) : new Map();
        let failed = 0;
        list.equations.forEach((equation, i) => {
          let result;
          if (batchFaults.has(i + 1)) {
            result = { faults: [`kalvane-cli: ${batchFaults.get(i + 1)}`], markup: '' };
          } else if (!existsSync(files[i])) {
            result = { faults: ['no file written'], markup: '' };
          } else {
            const content = readFileSync(files[i], 'utf8');
            const blank = equation.text.replaceAll('\\n', '').trim().length === 0;
            result = format === 'mml' ? checkMathML(files[i], content, blank, xml)
                                      : checkLatex(content, blank, equation.label);
          }
          if (result.faults.length === 0) {
            ++passes;
            return;
          }
          ++failed;
          ++failures;
          console.log(`FAIL ${equation.label} ${style} ${format}: ${result.faults.join('; ')}` +
                      `\n  text: ${equation.text}\n  markup: ${result.markup}`);
        });
        summary.push(`${list.name} ${style} ${format}: ${list.equations.length - failed} passed, ` +
                     `${failed} failed`);
      }
    }
  });
} finally {
  rmSync(work, { recursive: true, force: true });
}
for (const [warning, label] of warnings) console.log(`KaTeX warned: ${warning} (first: ${label})`);
for (const line of summary) console.log(line);
console.log(`markup consumers: ${passes} passed, ${failures} failed`);
process.exit(failures === 0 ? 0 : 1);
