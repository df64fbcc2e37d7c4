// Runs the real decoder header and stored option scripts of the build (read
// from the generated StoredSnippets.inc) in a JavaScript engine and checks
// that they write exactly the readable sources of src/engine/snippets.
//
// WENDLOCK_SNIPPETS_INC names the generated file.
import assert from 'node:assert/strict';
import { readFileSync, readdirSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';
import vm from 'node:vm';

const snippetDir = join(dirname(fileURLToPath(import.meta.url)), '..', '..', 'src', 'engine', 'snippets');
const incPath = process.env.WENDLOCK_SNIPPETS_INC;
assert.ok(incPath, 'WENDLOCK_SNIPPETS_INC must name the generated StoredSnippets.inc');
const inc = readFileSync(incPath, 'utf8');

// The value of a constant of the generated file: adjacent C string literals.
function constant(name) {
    const m = new RegExp(`\\b${name}\\[\\] =\\s*((?:"(?:[^"\\\\]|\\\\.)*"\\s*)+);`).exec(inc);
    assert.ok(m, `${name} not found in ${incPath}`);
    return [...m[1].matchAll(/"((?:[^"\\]|\\.)*)"/g)].map((s) => s[1].replace(/\\(.)/g, '$1')).join('');
}

// The stored form of a readable source: whole-line // comments and blank
// lines dropped, lines trimmed and joined with "\n".
function compact(text) {
    return text.split('\n').map((l) => l.trim()).filter((l) => l && !l.startsWith('//')).join('\n');
}

function readable(index) {
    const prefix = String(index).padStart(2, '0') + '-';
    const files = readdirSync(snippetDir).filter((f) => f.startsWith(prefix) && f.endsWith('.js'));
    assert.equal(files.length, 1, `one source for text ${index}`);
    return compact(readFileSync(join(snippetDir, files[0]), 'utf8'));
}

const stored = (index) => constant(`kStored${String(index).padStart(2, '0')}`);
const scrambleConstant = Number(/kScrambleConstant = (\d+);/.exec(inc)[1]);
const snippetRows = Array.from({ length: 13 }, (_, i) => i + 1);
const scramble = (s) => s.replace(/[\0-\x7f]/g, (c) => String.fromCharCode(c.charCodeAt(0) ^ scrambleConstant));

// A context holding vx_dc as the decoder header defines it, and the texts
// that document.write received.
function decoderContext() {
    const header = constant('kDecoderHeader');
    const m = /^<SCRIPT type="text\/javascript">(.*)<\/SCRIPT>$/s.exec(header);
    assert.ok(m, 'decoder header is one script element');
    const written = [];
    const context = vm.createContext({ document: { write: (s) => written.push(s) } });
    vm.runInContext(m[1], context);
    return { context, written };
}

// What the option block's call statement writes for the given stored texts.
function decode(storedText) {
    const { context, written } = decoderContext();
    vm.runInContext(`vx_dc(unescape("${storedText}"));`, context);
    assert.equal(written.length, 1, 'one document.write call');
    return written[0];
}

test('the decoder writes opening piece, snippets and closing piece as readable text', () => {
    const open = stored(14);
    const close = stored(15);
    for (const row of snippetRows) {
        assert.equal(decode(open + stored(row) + close), readable(14) + readable(row) + readable(15), `row ${row}`);
    }
    const all = snippetRows.map(stored).join('');
    assert.equal(decode(open + all + close), readable(14) + snippetRows.map(readable).join('') + readable(15));
});

test('stored texts are the scrambled sources escaped exactly as escape() does', () => {
    for (let index = 1; index <= 15; ++index) {
        assert.equal(stored(index), escape(scramble(readable(index))), `text ${index}`);
    }
});

test('the decoder keeps every character across its 99-character pieces', () => {
    for (const length of [0, 1, 98, 99, 100, 198, 199, 1000]) {
        let text = '';
        for (let i = 0; i < length; ++i) text += String.fromCharCode(i % 7 === 3 ? 0xe9 + (i % 300) : 32 + (i % 95));
        assert.equal(decode(escape(scramble(text))), text, `length ${length}`);
    }
});

test('each snippet parses, ends its statement, and the pieces enclose one script element', () => {
    for (const row of snippetRows) {
        const source = readable(row);
        assert.doesNotThrow(() => new vm.Script(source), `row ${row}`);
        assert.ok(source.endsWith(';'), `row ${row} must end with ";" so that snippets can follow each other`);
    }
    assert.doesNotThrow(() => new vm.Script(snippetRows.map(readable).join('')));
    assert.match(readable(14), /^<script type="text\/javascript">$/i);
    assert.match(readable(15), /^<\/script>$/i);
    for (const row of snippetRows) assert.doesNotMatch(readable(row), /<\/script|<!--/i, `row ${row}`);
});

test('no snippet throws, even where the page has no window, document or navigator to use', () => {
    for (const row of snippetRows) {
        const source = readable(row);
        assert.doesNotThrow(() => vm.runInContext(source, vm.createContext({})), `row ${row}, empty global`);
        const half = { document: {}, navigator: {}, location: {}, addEventListener: () => { throw new Error('no'); } };
        half.window = half;
        assert.doesNotThrow(() => vm.runInContext(source, vm.createContext(half)), `row ${row}, broken global`);
    }
});
