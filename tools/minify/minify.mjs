// Build step: a login script as the pages carry it, minified from the
// assembled readable script. Classic scripts stay ES5 (old browsers).
//   node minify.mjs IN OUT es5|es2020
// The tests import minifyScript to check the build's copy.
import { readFileSync, writeFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';
import { minify } from 'terser';

export async function minifyScript(text, es5) {
  const ecma = es5 ? 5 : 2020;
  const result = await minify(text, {
    ecma,
    // vxpcheck stays global; everything else lives in its closure.
    toplevel: false,
    compress: { passes: 2, ecma },
    mangle: true,
    format: {
      ecma,
      ascii_only: true,
      comments: false,
      quote_style: 1,
      // Short lines, as the readable scripts have.
      max_line_len: 500,
    },
  });
  const code = result.code + '\n';
  // Copied into an inline script element of any page: nothing may end it.
  if (/<\/|<!--|-->/.test(code)) {
    throw new Error('the minified script holds </, <!-- or -->');
  }
  return code;
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [input, output, level] = process.argv.slice(2);
  try {
    writeFileSync(output, await minifyScript(readFileSync(input, 'utf8'), level === 'es5'));
  } catch (e) {
    console.error(`${input}: ${e.message}`);
    process.exit(1);
  }
}
