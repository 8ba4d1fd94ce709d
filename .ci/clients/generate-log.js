// Writes a build log whose diagnostics test the opt-in layouts' clients:
// commands echoed before them, file names holding "ltc" and "cptc" or
// characters that a layout cannot carry, empty texts, line 0, linker and
// licence lines. Deterministic for a seed.
//
// Usage: node generate-log.js <output file> <diagnostics> <seed>
// Prints the number of diagnostics that every opt-in layout must print.
'use strict';
const fs = require('fs');

const [output, countText, seedText] = process.argv.slice(2);
let state = BigInt(seedText) & 0xffffffffffffffffn;
function next() {  // splitmix64
  state = (state + 0x9e3779b97f4a7c15n) & 0xffffffffffffffffn;
  let z = state;
  z = ((z ^ (z >> 30n)) * 0xbf58476d1ce4e5b9n) & 0xffffffffffffffffn;
  z = ((z ^ (z >> 27n)) * 0x94d049bb133111ebn) & 0xffffffffffffffffn;
  return z ^ (z >> 31n);
}
const below = (n) => Number(next() % BigInt(n));
const pick = (items) => items[below(items.length)];

const files = ['src/can_drv.c', 'src/saltcalc.c', 'lib/cptc_io.c', 'src/ltc_glue.c',
  'my dir (2)/a b.c', 'lib:1.c', '[gen] out.c', 'q"uote.c', ' lead.c', 'trail.c ', 'ä/ü.c',
  '12>p.c', 'x.c(3,4): error C1'];
const texts = ['conversion of constant to narrower type', 'unused variable "tmp"',
  'error: looks like one', '', '  ', 'a\tb', '100% done (see x.c)'];
const severities = ['E', 'F', 'W'];
const lines = [];
let expected = 0;
const total = Number(countText);
while (expected < total) {
  const kind = below(7);
  const severity = pick(severities);
  const number = String(below(2000));
  const at = String(below(10) === 0 ? 0 : 1 + below(3000));
  if (kind === 0 || kind === 1) {
    const file = pick(files);
    lines.push(`ctc -c -o obj/x.o ${file}`);
    lines.push(`ctc ${severity}${number}: ["${file}" ${at}/${below(90)}]${below(2) ? ' ' : ''}${pick(texts)}`);
  } else if (kind === 2) {
    const file = pick(files).replace(/\.c$/, '.cpp');
    lines.push(`cptc -c ${file} -o obj/x.ic`);
    lines.push(`cptc ${severity}${number}: ["${file}" ${at}] ${pick(texts) || 'text'}`);
    lines.push(`${at} ${pick(['return speedLimit;', 'int x = 0;', 'f("cptc");'])}`);
  } else if (kind === 3) {
    lines.push('ltc -o fw.elf obj/a.o');
    const letter = pick(['E', 'F', 'W']);
    lines.push(`ltc ${letter}${number}: ${pick(texts)}`);
    if (letter === 'W') continue;  // linker warnings are dropped
  } else if (kind === 4) {
    lines.push(pick(['ctc F104: setup: No valid license found', 'ltc F100: No valid license found']));
  } else if (kind === 5) {
    lines.push(`ctc ${severity}${number}: ["" ${at}/1] empty file name`);
  } else {
    lines.push(`[${below(100)}%] Building object cptc_${number}.o`);
    continue;
  }
  expected += 1;
}
fs.writeFileSync(output, lines.join('\r\n') + '\r\n');
console.log(expected);
