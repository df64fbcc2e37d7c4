// Build step: a part of the login scripts taken from an npm package, as
// plain script text for the include lines ("// @include npm/NAME.js").
// Bundled by esbuild from the versions the lock file pins, into one
// function-scoped variable, so the pages stay single-file.
//   node bundle.mjs NAME OUT
// The tests call bundlePart to assemble the scripts the way the build does.
import { writeFileSync, readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';
import path from 'node:path';

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(import.meta.url);

// NAME -> the global it defines and the module text esbuild starts from.
const PARTS = {
  // Raw DEFLATE for browsers without DecompressionStream.
  'fflate-inflate': { global: 'fflate', package: 'fflate', entry: "export { inflateSync } from 'fflate';" },
};

export function bundlePart(name) {
  const part = PARTS[name];
  if (!part) throw new Error(`no npm part named ${name}`);
  const esbuild = require('esbuild');
  const version = JSON.parse(readFileSync(path.join(here, 'node_modules', part.package, 'package.json'), 'utf8')).version;
  const result = esbuild.buildSync({
    stdin: { contents: part.entry, resolveDir: here, loader: 'js' },
    bundle: true,
    format: 'iife',
    globalName: part.global,
    target: 'es2020',
    platform: 'browser',
    legalComments: 'none',
    charset: 'ascii',
    write: false,
  });
  const code = result.outputFiles[0].text.replace(/^/gm, (m) => m + '  ').replace(/ +$/gm, '');
  return `  // ${part.package} ${version} (MIT licence), bundled by tools/minify/bundle.mjs.\n${code}`;
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [name, output] = process.argv.slice(2);
  try {
    writeFileSync(output, bundlePart(name));
  } catch (e) {
    console.error(`${name}: ${e.message}`);
    process.exit(1);
  }
}
