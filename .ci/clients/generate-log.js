// Writes a build log whose diagnostics test the opt-in layouts' clients:
// commands echoed before them, file names holding "ltc" and "cptc" or
// characters that a layout cannot carry, empty texts, line 0, linker
// warnings and errors, licence failures in several wordings, information
// messages, programs of the toolchain other than the compilers and the
// linker, C++ diagnostics with and without their source excerpt, and lines of
// parallel jobs in between. Deterministic for a seed.
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
const severities = ['E', 'F', 'W', 'I'];
const programs = ['ctc', 'ctc', 'xtc', 'artc', 'cctc'];
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
    const program = pick(programs);
    lines.push(`${program} -c -o obj/x.o ${file}`);
    lines.push(`${program} ${severity}${number}: ["${file}" ${at}/${below(90)}]${below(2) ? ' ' : ''}${pick(texts)}`);
  } else if (kind === 2) {
    const file = pick(files).replace(/\.c$/, '.cpp');
    lines.push(`cptc -c ${file} -o obj/x.ic`);
    lines.push(`cptc ${severity}${number}: ["${file}" ${at}] ${pick(texts) || 'text'}`);
    // The source excerpt, or a line of another job in its place.
    if (below(3) > 0) {
      lines.push(`${pick(['', '  '])}${at} ${pick(['return speedLimit;', 'int x = 0;', 'f("cptc");'])}`);
    } else {
      lines.push(`[${below(100)}%] Building object job_${number}.o`);
    }
  } else if (kind === 3) {
    lines.push('ltc -o fw.elf obj/a.o');
    lines.push(`ltc ${pick(severities)}${number}: ${pick(texts)}`);
  } else if (kind === 4) {
    lines.push(pick(['ctc F104: setup: No valid license found', 'ltc F100: No valid license found',
      'cptc F100: No valid license found',
      'ctc F104: protection error: No license key found for product code 1234',
      'ctc F003: cannot open file "missing.c"']));
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
