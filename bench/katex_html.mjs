// KaTeX: TeX input to HTML strings in Node.js, over the LaTeX column of the corpus.
// Usage: node katex_html.mjs CORPUS.tsv [ROUNDS]
import katex from 'katex';
import { readCorpus, timeRounds } from './corpus.mjs';

const [corpusPath, rounds = '10'] = process.argv.slice(2);
const toHtml = (equation) =>
  katex.renderToString(equation.latex, { displayMode: true, throwOnError: false });

timeRounds('KaTeX TeX to HTML', readCorpus(corpusPath), Number(rounds), toHtml);
