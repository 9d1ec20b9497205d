// Reads the benchmark corpus: a tab-separated file with a header line naming its columns
// (id, kalvane, asciimath, latex). Returns one object per equation keyed by column name.
import { readFileSync } from 'node:fs';

export function readCorpus(path) {
  const lines = readFileSync(path, 'utf8').split('\n').filter((line) => line.length > 0);
  const columns = lines[0].split('\t');
  return lines.slice(1).map((line) => {
    const cells = line.split('\t');
    return Object.fromEntries(columns.map((name, i) => [name, cells[i] ?? '']));
  });
}

// Runs `convert` over every equation `rounds` times after one warm-up round and reports the rate.
export function timeRounds(name, equations, rounds, convert) {
  let bytes = 0;
  for (const equation of equations) bytes += convert(equation).length;  // warm-up, checks output
  const start = process.hrtime.bigint();
  for (let round = 0; round < rounds; round++) {
    for (const equation of equations) convert(equation);
  }
  const seconds = Number(process.hrtime.bigint() - start) / 1e9;
  const count = equations.length * rounds;
  const rate = count / seconds;
  const rssMiB = process.memoryUsage().rss / 1048576;
  console.log(`${name}: ${count} equations in ${seconds.toFixed(3)} s = ${rate.toFixed(0)} per second` +
              ` (output ${bytes} bytes per round, RSS ${rssMiB.toFixed(0)} MiB)`);
  return rate;
}
