// Reads a SARIF log and checks what code scanning needs beyond the
// validator: the expected number of results, each with a physical location,
// a region, a message text and a rule that the driver lists.
//
// Usage: node check-sarif.js <log.sarif> <expected results>
'use strict';
const fs = require('fs');

const [file, expectedText] = process.argv.slice(2);
const run = JSON.parse(fs.readFileSync(file, 'utf8')).runs[0];
const rules = run.tool.driver.rules;
const problems = [];
if (run.results.length !== Number(expectedText)) {
  problems.push(`${run.results.length} results, expected ${expectedText}`);
}
run.results.forEach((result, i) => {
  const where = result.locations && result.locations[0].physicalLocation;
  if (!where || !where.artifactLocation.uri || !(where.region.startLine >= 1)) {
    problems.push(`result ${i} has no location with a line`);
  }
  if (!result.message.text) problems.push(`result ${i} has no message text`);
  if (rules[result.ruleIndex].id !== result.ruleId) problems.push(`result ${i}: wrong ruleIndex`);
});
if (problems.length > 0) {
  console.log(`${file}:\n  ${problems.slice(0, 10).join('\n  ')}`);
  process.exit(1);
}
console.log(`${file}: ${run.results.length} results, ${rules.length} rules`);
