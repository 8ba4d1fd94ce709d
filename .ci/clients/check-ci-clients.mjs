// Checks the github, azure and codequality layouts against the CI services'
// own libraries, diagnostic by diagnostic:
// - each github line equals what GitHub's toolkit (@actions/core) writes for
//   the same annotation, byte for byte;
// - each azure line equals what Azure's task library
//   (azure-pipelines-task-lib) writes for the same issue, byte for byte;
// - each Code Quality issue has the expected check name, severity, path,
//   line and description, and its fingerprint is unique in the report and
//   the same in the second run's report (and in the report of the log with
//   more lines before it); the type check against codeclimate-types is
//   tsc's, run by the leg on the .ts files this writes.
// The expected fields come from a reference reading of the log below, made
// for the forms that the sample and generate-log.js write.
//
// Usage: node check-ci-clients.mjs <node_modules> <log> <log name as given>
//          <source root or ""> <github> <azure> <codequality> <codequality, second run>
//          <codequality, lines added before> <.ts file to write>
// Prints one line: how many diagnostics each check compared.
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';

const [modules, logFile, logName, sourceRoot, githubFile, azureFile, reportFile, secondFile,
  shiftedFile, tsFile] = process.argv.slice(2);
const problems = [];
const problem = (text) => { if (problems.length < 10) problems.push(text); };

// --- The reference reading ---------------------------------------------------

const space = '[ \\t\\n\\v\\f\\r]';
const punct = '[!-/:-@\\[-`{-~]';
const head = `([a-z][a-z0-9]*)${space}+([IWEF])([0-9]+)${punct}${space}+`;
const locatedColumn = new RegExp(`^${head}\\["(.*)"${space}+([0-9]+)/([0-9]+)\\](.*)$`);
const locatedLine = new RegExp(`^${head}\\["(.*)"${space}+([0-9]+)\\](.*)$`);
const licence = new RegExp(`^ctc${space}+(F)([0-9]+)${punct}${space}+(.*)${punct}${space}+(.*)$`);
const unlocated = new RegExp(`^${head}(.*)$`);
const excerptLine = new RegExp(`^${space}*[0-9]+${space}+([^]*)$`);
const trim = (text) => text.replace(new RegExp(`^${space}+|${space}+$`, 'g'), '');

// Each diagnostic: tool, severity, number, file (null: none), line and
// column digits, text, excerpt, placeholder, and its log line.
function readLog(text) {
  // A line ends at an LF and the CRs before it, or at a run of CRs alone, as
  // a terminal shows a progress line.
  const lines = text.split(/\r*\n|\r+(?!\n)/);
  const found = [];
  for (let i = 0; i < lines.length; ++i) {
    const line = lines[i];
    let m;
    let d = null;
    if ((m = locatedColumn.exec(line))) {
      d = { tool: m[1], severity: m[2], number: m[3], file: m[4], line: m[5], column: m[6], text: m[7] };
    } else if ((m = locatedLine.exec(line))) {
      d = { tool: m[1], severity: m[2], number: m[3], file: m[4], line: m[5], column: '', text: m[6] };
    } else if (line.includes('No valid license found') && (m = licence.exec(line))) {
      d = { tool: 'ctc', severity: m[1], number: m[2], file: null, text: m[4], licence: true };
    } else if ((m = unlocated.exec(line))) {
      d = { tool: m[1], severity: m[2], number: m[3], file: null, text: m[4] };
    }
    if (d === null) continue;
    d.logLine = i + 1;
    d.placeholder = (d.file !== null && (d.file === '' || d.text === '')) ||
      (d.licence === true && d.text === '');
    d.excerpt = '';
    if (d.tool === 'cptc' && d.file !== null && i + 1 < lines.length &&
        (m = excerptLine.exec(lines[i + 1]))) {
      d.excerpt = trim(m[1]);
      ++i;
    }
    found.push(d);
  }
  return found;
}

// --SourceRoot for the names these logs hold: under the root (in any case),
// relative to it with "/".
function written(file) {
  if (sourceRoot === '') return file;
  const root = sourceRoot.replace(/[\\/]*$/, '/').replace(/\\/g, '/').toLowerCase();
  const name = file.replace(/\\/g, '/');
  return name.toLowerCase().startsWith(root) ? name.slice(root.length) : file;
}

const maxPosition = 2147483647;
const position = (digits) => {
  const value = Number(digits);
  return value >= 1 && value <= maxPosition ? value : 0;
};

// Where the layouts place a diagnostic, and its message without the excerpt.
function place(d) {
  const code = d.tool + d.severity + d.number;
  const hasFile = !d.placeholder && d.file !== null && d.file !== '';
  let text = d.placeholder ? `empty ${d.tool} msg` : trim(d.text);
  if (text === '') text = `${code} (no message text)`;
  const line = hasFile ? position(d.line) : 0;
  if (line !== 0) {
    return { code, own: true, file: written(d.file), line, column: position(d.column), text };
  }
  const at = hasFile ? `${written(d.file)}(${d.line}${d.column !== '' ? ',' + d.column : ''}) - ` : '';
  const stdin = logName === '-';
  return {
    code, own: false, file: stdin ? undefined : written(logName),
    line: stdin ? 0 : d.logLine, column: 0, text: at + text,
  };
}

const diagnostics = readLog(fs.readFileSync(logFile, 'utf8'));
const withExcerpt = (d, text) => (d.placeholder || d.excerpt === '' ? text : `${text}\n${d.excerpt}`);

// Runs `call` and returns what it wrote to standard output.
async function captured(call) {
  const write = process.stdout.write;
  let text = '';
  process.stdout.write = (chunk) => { text += chunk; return true; };
  try {
    await call();
  } finally {
    process.stdout.write = write;
  }
  return text;
}

// Compares the lines of `file` with `expected`, one per diagnostic.
function compareLines(name, file, expected) {
  const actual = fs.readFileSync(file);
  const wanted = Buffer.from(expected.join(''), 'utf8');
  if (actual.equals(wanted)) return;
  const a = actual.toString('utf8').split('\n');
  const w = wanted.toString('utf8').split('\n');
  const at = a.findIndex((line, i) => line !== w[i]);
  problem(`${name}: line ${at + 1} is\n    ${JSON.stringify(a[at])}\n  the library writes\n    ${JSON.stringify(w[at])}`);
}

// --- GitHub ------------------------------------------------------------------

const core = await import(pathToFileURL(path.resolve(modules, '@actions/core/lib/core.js')).href);
const github = [];
for (const d of diagnostics) {
  const at = place(d);
  const properties = { title: `${d.tool} ${d.severity}${d.number}` };
  if (at.file !== undefined) properties.file = at.file;
  if (at.line !== 0) properties.startLine = at.line;
  if (at.column !== 0) properties.startColumn = at.column;
  const report = d.severity === 'E' || d.severity === 'F' ? core.error
    : d.severity === 'I' ? core.notice : core.warning;
  github.push(await captured(() => report(withExcerpt(d, at.text), properties)));
}
compareLines('github', githubFile, github);

// --- Azure Pipelines ---------------------------------------------------------

const require = createRequire(path.resolve(modules, 'x.js'));
let tl;
await captured(() => { tl = require('azure-pipelines-task-lib/task'); });  // it logs as it loads
const azure = [];
tl.setStdStream({ write: (text) => azure.push(text) });
for (const d of diagnostics) {
  const at = place(d);
  const type = d.severity === 'E' || d.severity === 'F' ? tl.IssueType.Error : tl.IssueType.Warning;
  tl.logIssue(type, withExcerpt(d, at.text), at.file, at.line || undefined,
    at.column || undefined, at.code);
}
compareLines('azure', azureFile, azure);

// --- GitLab Code Quality -----------------------------------------------------

const severities = { F: 'blocker', E: 'major', W: 'minor', I: 'info' };
const report = JSON.parse(fs.readFileSync(reportFile, 'utf8'));
if (report.length !== diagnostics.length) {
  problem(`codequality: ${report.length} issues for ${diagnostics.length} diagnostics`);
}
diagnostics.forEach((d, i) => {
  const at = place(d);
  const issue = report[i] || {};
  const expected = {
    check_name: at.code, severity: severities[d.severity], description: at.text,
    path: at.own || at.file !== undefined ? at.file : logName, begin: at.own ? at.line : d.logLine,
  };
  const got = {
    check_name: issue.check_name, severity: issue.severity, description: issue.description,
    path: issue.location && issue.location.path,
    begin: issue.location && issue.location.lines && issue.location.lines.begin,
  };
  if (JSON.stringify(got) !== JSON.stringify(expected)) {
    problem(`codequality issue ${i + 1}: ${JSON.stringify(got)}\n  expected ${JSON.stringify(expected)}`);
  }
});
const fingerprints = (issues) => issues.map((issue) => issue.fingerprint);
const first = fingerprints(report);
if (new Set(first).size !== first.length) problem('codequality: fingerprints repeat within the report');
if (!first.every((f) => /^[0-9a-f]{32}$/.test(f))) problem('codequality: a fingerprint is not 32 hex digits');
for (const [name, file] of [['second run', secondFile], ['lines added before', shiftedFile]]) {
  if (JSON.stringify(fingerprints(JSON.parse(fs.readFileSync(file, 'utf8')))) !== JSON.stringify(first)) {
    problem(`codequality: the fingerprints of the ${name} differ`);
  }
}
// The report as an expression of the library's type: tsc checks every issue
// against it, literal types and unknown members included.
fs.writeFileSync(tsFile, "import type { Issue } from 'codeclimate-types';\n\n" +
  `export const report: Issue[] = ${fs.readFileSync(reportFile, 'utf8')};\n`);

if (problems.length > 0) {
  console.log(`${logFile}:\n  ${problems.join('\n  ')}`);
  process.exit(1);
}
console.log(`${path.basename(logFile)}${sourceRoot ? ` (--SourceRoot=${sourceRoot})` : ''}: ` +
  `${diagnostics.length} diagnostics, github and azure lines equal to the libraries', ` +
  `${report.length} issues with ${new Set(first).size} stable fingerprints`);
