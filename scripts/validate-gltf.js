// Validates glTF files with the Khronos glTF validator and prints one line
// per file, and every error and warning under it. Exits 1 when any file has
// an error.
//
//   node scripts/validate-gltf.js VALIDATOR_MODULE_DIR FILE...
'use strict';
const fs = require('fs');
const validator = require(process.argv[2]);

(async () => {
  let failed = 0;
  for (const file of process.argv.slice(3)) {
    const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
      uri: file,
      externalResourceFunction: () => Promise.reject(new Error('no external resources')),
    });
    const issues = report.issues;
    console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings`);
    for (const m of issues.messages) {
      if (m.severity <= 1) {
        console.log(`  ${m.severity === 0 ? 'error' : 'warning'} ${m.code} ${m.pointer || ''}: ${m.message}`);
      }
    }
    if (issues.numErrors > 0) failed = 1;
  }
  process.exit(failed);
})().catch((error) => {
  console.error(error);
  process.exit(2);
});
