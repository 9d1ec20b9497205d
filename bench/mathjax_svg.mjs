// MathJax 3: TeX input to SVG strings in Node.js, over the LaTeX column of the corpus.
// Usage: node mathjax_svg.mjs CORPUS.tsv [ROUNDS]
import { mathjax } from 'mathjax-full/js/mathjax.js';
import { TeX } from 'mathjax-full/js/input/tex.js';
import { SVG } from 'mathjax-full/js/output/svg.js';
import { liteAdaptor } from 'mathjax-full/js/adaptors/liteAdaptor.js';
import { RegisterHTMLHandler } from 'mathjax-full/js/handlers/html.js';
import { AllPackages } from 'mathjax-full/js/input/tex/AllPackages.js';
import { readCorpus, timeRounds } from './corpus.mjs';

const [corpusPath, rounds = '10'] = process.argv.slice(2);
const adaptor = liteAdaptor();
RegisterHTMLHandler(adaptor);
const document = mathjax.document('', {
  InputJax: new TeX({ packages: AllPackages }),
  OutputJax: new SVG({ fontCache: 'local' }),
});
const toSvg = (equation) =>
  adaptor.outerHTML(document.convert(equation.latex, { display: true }));

timeRounds('MathJax 3 TeX to SVG', readCorpus(corpusPath), Number(rounds), toSvg);
