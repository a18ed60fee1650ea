// The words of the lists, with their counts and the case they are written in.
//
// SUBTLEX-US counts every word form regardless of case and splits contractions
// at the apostrophe ("don" + "t", "I" + "m"), so the source needs three kinds of
// repair before its words can be offered: the contractions are put back
// together, the case is decided with a dictionary, and fragments, non-words
// and offensive words are dropped.

// Words seen fewer times than this are left out: below it the source is mostly
// misspellings and names from single films.
export const MIN_COUNT = 2;

// --- Contractions ----------------------------------------------------------

// "n't" forms whose first part is no word of its own: the count of the part is
// the count of the contraction.
const NOT_STEMS = {
    don: "don't", didn: "didn't", doesn: "doesn't", isn: "isn't", wasn: "wasn't",
    aren: "aren't", weren: "weren't", hasn: "hasn't", haven: "haven't", hadn: "hadn't",
    couldn: "couldn't", wouldn: "wouldn't", shouldn: "shouldn't", mustn: "mustn't",
    needn: "needn't", ain: "ain't", shan: "shan't",
};

// Contractions whose parts are whole words (can + t, won + t), or whose second
// part is shared by several first words ('re, 'll, 'd, 's, 've).
const RE_HOSTS = ['you', 'we', 'they'];
const LL_HOSTS = ['i', 'you', 'he', 'she', 'it', 'we', 'they', 'that'];
const D_HOSTS = ['i', 'you', 'he', 'she', 'we', 'they'];
const VE_HOSTS = ['i', 'you', 'we', 'they'];
const S_HOSTS = ['it', 'that', 'what', 'he', 'she', 'there', 'here', 'who', 'where', 'how', 'let'];

// Single-letter parts that belong to one word only.
// ("c'mon" is split into "c" and "mon").
const LETTER_WORDS = { o: "o'clock", y: "y'all", ma: "ma'am", mon: "c'mon" };

// Parts that are no words on their own.
const FRAGMENTS = ['t', 's', 'm', 'll', 're', 've', 'd', 'em'];

// How often subtitlers left the apostrophe out ("dont", "im", "thats") is the
// same for every contraction, give or take.  The rate is measured on I'm, whose
// count the split gives exactly ("m" has no other use), and then turns the
// apostrophe-less spellings of 've and 's contractions into counts: the source
// has no "ve" at all, and its "s" mixes contractions with possessives.
function droppedApostropheRate(counts) {
    return counts.get('im') / counts.get('m');
}

function addContractions(counts, add) {
    const get = (w) => counts.get(w) ?? 0;
    const take = (host, amount) => counts.set(host, Math.max(0, get(host) - amount));

    // n't: the stems; "t" minus all of them leaves can't and won't.  The
    // past tense "won" is taken to be about as frequent as "win".
    let notTotal = 0;
    for (const [stem, word] of Object.entries(NOT_STEMS)) {
        if (get(stem) > 0) {
            add(word, get(stem));
            notTotal += get(stem);
        }
        counts.delete(stem);
    }
    const wont = Math.max(0, get('won') - get('win'));
    const cant = Math.max(0, get('t') - notTotal - wont);
    add("won't", wont);
    take('won', wont);
    add("can't", cant);
    take('can', cant);

    // 'm: I'm only.
    add("I'm", get('m'));
    take('i', get('m'));

    // 're, 'll, 'd: the part's count shared among the words it follows, in
    // proportion to how often each of them occurs.
    const share = (part, hosts, suffix) => {
        const total = hosts.reduce((sum, h) => sum + get(h), 0);
        const amounts = hosts.map((h) => Math.round((get(part) * get(h)) / total));
        hosts.forEach((h, i) => {
            add((h === 'i' ? 'I' : h) + suffix, amounts[i]);
            take(h, amounts[i]);
        });
    };
    share('re', RE_HOSTS, "'re");
    share('ll', LL_HOSTS, "'ll");
    share('d', D_HOSTS, "'d");

    // 've and 's: from the apostrophe-less spellings where those are no words
    // of their own ("ive", "thats"), else ("its", "lets") from the share of the
    // other words that is contracted.
    const rate = droppedApostropheRate(counts);
    const fromSpelling = (hosts, suffix, ambiguous) => {
        let contracted = 0;
        let base = 0;
        const later = [];
        for (const h of hosts) {
            const spelled = h + suffix.replace("'", '');
            if (ambiguous.has(spelled) || !counts.has(spelled)) {
                later.push(h);
                continue;
            }
            const amount = Math.round(get(spelled) / rate);
            contracted += amount;
            base += get(h);
            add((h === 'i' ? 'I' : h) + suffix, amount);
            take(h, amount);
            counts.delete(spelled);
        }
        for (const h of later) {
            const amount = Math.round((get(h) * contracted) / base);
            add(h + suffix, amount);
            take(h, amount);
        }
    };
    fromSpelling(VE_HOSTS, "'ve", new Set());
    // "its", "lets", "whos" (no such word, but too rare to count on).
    fromSpelling(S_HOSTS, "'s", new Set(['its', 'lets', 'whos']));

    for (const [part, word] of Object.entries(LETTER_WORDS)) {
        add(word, get(part));
        counts.delete(part);
    }
    for (const f of FRAGMENTS)
        counts.delete(f);
}

// --- Case ---------------------------------------------------------------

// Words the dictionary knows in both cases whose capital the source shows
// mostly because of forms of address and headings in film dialogue ("Miss",
// "Mr. President", "Major"); in ordinary text the lower-case word is the common
// one.
const LOWER_ALTHOUGH_CAPITALISED = new Set([
    'miss', 'president', 'major', 'senator', 'junior', 'prince', 'reverend',
    'north', 'south', 'east', 'west', 'western', 'marine', 'mount', 'bishop',
    'knight', 'duke', 'earl', 'officer', 'judge', 'doctor', 'sergeant', 'agent',
    'general', 'colonel', 'lieutenant', 'captain', 'chief', 'professor',
]);

// Two-letter words the dictionary knows only with capitals are mostly symbols
// and abbreviations ("Fe", "Co", "IL"); these are the ones people write.
const TWO_LETTER_CAPITALS = new Set([
    'Mr', 'Ms', 'Dr', 'St', 'Jr', 'Sr', 'Lt', 'TV', 'OK', 'Al', 'Ed', 'Jo', 'Oz', 'DJ', 'DA', 'PC',
]);

// The form a word is written in: lower case, unless the dictionary knows it
// only with capitals (names, days, months, "I", "TV"), or knows both forms and
// the source writes it mostly with a capital ("God", "Jack"), which the source
// also does for words that mostly open a sentence ("What", "Okay") - those
// the dictionary knows in lower case only.  A word the dictionary knows only
// with capitals but the source writes in lower case is something else (an
// abbreviation such as "Th" or "Com", or a part of "c'mon"): null, not a word.
function writtenForm(word, lower, dictionaryForms, contraction) {
    const forms = dictionaryForms.get(lower) ?? (contraction ? [lower] : null);
    if (!forms)
        return null;
    if (lower === 'i' || lower.startsWith("i'"))
        return 'I' + lower.slice(1);
    const capitalForms = forms.filter((f) => f !== lower);
    if (!forms.includes(lower)) {
        if (word === lower)
            return null;
        const form = capitalForms.includes(word) ? word : [...capitalForms].sort()[0];
        if (form.length === 2 && !TWO_LETTER_CAPITALS.has(form))
            return null;
        return form;
    }
    const sourceCapital = word !== lower;
    if (sourceCapital && capitalForms.length > 0 && !LOWER_ALTHOUGH_CAPITALISED.has(lower)) {
        const capital = lower[0].toUpperCase() + lower.slice(1);
        if (capitalForms.includes(capital)
                && (capital.length !== 2 || TWO_LETTER_CAPITALS.has(capital)))
            return capital;
    }
    return lower;
}

// --- Offensive words -----------------------------------------------------

// badwords-list marks some everyday words for a rarer vulgar sense, or for
// mild emphasis.  These stay: they are needed for ordinary, medical or
// religious talk and offend nobody in their usual sense.
export const KEPT_FROM_BADWORDS = new Set([
    'god', 'hell', 'bloody', 'balls', 'butt', 'bum', 'breasts', 'sex', 'lust', 'lusting',
    'pawn', 'cox', 'knob', 'snatch', 'screwing', 'flange', 'wang', 'willy', 'willies',
    'hoar', 'poop', 'nazi', 'sadist', 'masochist', 'anus', 'rectum', 'penis', 'vagina',
    'vulva', 'testicle', 'scrotum', 'semen', 'labia', 'clitoris',
]);

// Offensive words the list misses, and word parts that make any word
// offensive (checked against the dictionary words they would remove).
export const EXTRA_BADWORDS = new Set([
    'jackass', 'dumbass', 'douche', 'douchebag', 'goddamn', 'goddamned', 'goddammit',
    'dammit', 'damned', 'crappy', 'bastards', 'pissy', 'spic', 'kike', 'gook', 'wetback',
    'tranny', 'dago', 'wop', 'retarded', 'retards', 'hooker', 'hookers', 'boobies',
    'titty', 'dickheads', 'dicks', 'prick', 'pricks',
]);
export const OFFENSIVE_PARTS = [
    'fuck', 'shit', 'cunt', 'bitch', 'nigger', 'nigga', 'whore', 'asshole', 'slut',
    'twat', 'cocksuck', 'dickhead', 'douche', 'jizz', 'porn', 'wanker', 'motherf',
];

// Ordinary words that happen to hold one of those parts.
const INNOCENT_CARRIERS = new Set([
    'wristwatch', 'wristwatches', 'saltwater', 'snigger', 'sniggers', 'sniggered',
    'sniggering', 'niggard', 'niggardly',
]);

function isOffensive(lower, blocked) {
    if (blocked.has(lower) || EXTRA_BADWORDS.has(lower))
        return true;
    return !INNOCENT_CARRIERS.has(lower) && OFFENSIVE_PARTS.some((part) => lower.includes(part));
}

// --- The vocabulary --------------------------------------------------------

export function buildVocabulary(source, dictionary, badwords) {
    const counts = new Map();
    const sourceForm = new Map();
    for (const { word, count } of source) {
        const lower = word.toLowerCase();
        counts.set(lower, (counts.get(lower) ?? 0) + count);
        sourceForm.set(lower, word);
    }

    const added = new Map();
    addContractions(counts, (word, count) => {
        if (count > 0)
            added.set(word, (added.get(word) ?? 0) + count);
    });
    for (const [word, count] of added) {
        counts.set(word.toLowerCase(), count);
        sourceForm.set(word.toLowerCase(), word);
    }

    const dictionaryForms = new Map();
    for (const line of dictionary) {
        const w = line.trim();
        if (!/^[A-Za-z][A-Za-z']*$/.test(w))
            continue;
        const lower = w.toLowerCase();
        if (!dictionaryForms.has(lower))
            dictionaryForms.set(lower, []);
        dictionaryForms.get(lower).push(w);
    }

    const blocked = new Set(
            badwords.map((w) => w.toLowerCase()).filter((w) => !KEPT_FROM_BADWORDS.has(w)));

    const words = [];
    for (const [lower, count] of counts) {
        if (count < MIN_COUNT)
            continue;
        if (lower.length === 1 && lower !== 'a' && lower !== 'i')
            continue;
        if (isOffensive(lower, blocked))
            continue;
        const entry =
                writtenForm(sourceForm.get(lower), lower, dictionaryForms, lower.includes("'"));
        if (!entry)
            continue;
        words.push({ key: lower, entry, count });
    }
    words.sort((a, b) => b.count - a.count || (a.key < b.key ? -1 : a.key > b.key ? 1 : 0));
    return words;
}
