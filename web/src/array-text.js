// SPDX-License-Identifier: MIT
// Bytes back from C text: the initialiser of a byte array, in a header panelbake writes or in
// any C source, and the picture's size from the size macros beside it. It touches no page:
// the page (arrays.js) and the tests under Node call it alike.

// 2^28 pixels, panelbake's largest picture, at eight pixels a byte.
const ARRAY_TEXT_MAX_BYTES = 1 << 25;
const ARRAY_TEXT_PROBLEMS_LISTED = 20;

// Element types that are wider than a byte, or not numbers: an array declared with one of
// them, or as pointers, is not a picture's bytes (a frames or table header's tables).
const NOT_BYTE_TYPES =
  /^(?:int|long|short|float|double|bool|_Bool|wchar_t|char16_t|char32_t|size_t|u?int(?:_least|_fast)?(?:16|32|64)_t|u?intptr_t)$/;

// The value of a C integer literal as a compiler reads it (0x hex, 0b binary, a leading 0
// octal, with any of the suffixes u, l, ll), or of an Arduino binary constant (B10110001);
// null for any other token.
export function literalValue(token) {
  const c = /^(?:0[xX]([0-9a-fA-F]+)|0[bB]([01]+)|0([0-7]*)|([1-9][0-9]*))(?:[uU](?:ll|LL|l|L)?|(?:ll|LL|l|L)[uU]?)?$/
    .exec(token);
  if (c) {
    if (c[1] !== undefined) return parseInt(c[1], 16);
    if (c[2] !== undefined) return parseInt(c[2], 2);
    if (c[3] !== undefined) return c[3] ? parseInt(c[3], 8) : 0;
    return parseInt(c[4], 10);
  }
  const arduino = /^B([01]{1,8})$/.exec(token);
  return arduino ? parseInt(arduino[1], 2) : null;
}

// Tokens of C text, one at a time: comments and whitespace are skipped, a preprocessor line
// is one token (kind 'directive'), a string or character literal is one token. next() fills
// `token` and returns its kind; 'end' at the end of the text.
const isWordChar = (c) => (c >= 48 && c <= 57) || ((c | 32) >= 97 && (c | 32) <= 122) || c === 95 || c === 36;
const isBlank = (c) => c === 32 || c === 9 || c === 13 || c === 12 || c === 11 || c === 0xfeff;
const hexDigit = (c) => (c >= 48 && c <= 57 ? c - 48 : (c | 32) >= 97 && (c | 32) <= 102 ? (c | 32) - 87 : -1);

class CTokens {
  constructor(text) {
    this.source = text;
    this.at = 0;
    this.line = 1;
    this.lineStart = true;  // only whitespace and comments since the last line end
    this.token = {kind: '', start: 0, end: 0, line: 1, code: 0};  // code: a punctuation's
  }

  code(i) {
    return this.source.charCodeAt(i);
  }

  // Past a comment that starts at `at`, counting its lines; false if none starts there.
  skipComment() {
    if (this.code(this.at) !== 47) return false;  // "/"
    if (this.code(this.at + 1) === 47) {
      while (this.at < this.source.length && this.code(this.at) !== 10) this.at++;
      return true;
    }
    if (this.code(this.at + 1) !== 42) return false;  // "*"
    const end = this.source.indexOf('*/', this.at + 2);
    const stop = end < 0 ? this.source.length : end + 2;
    for (let i = this.at; i < stop; i++) if (this.code(i) === 10) this.line++;
    this.at = stop;
    return true;
  }

  // Past whitespace and comments; false at the end of the text.
  skipBlanks() {
    for (;;) {
      if (this.at >= this.source.length) return false;
      const c = this.code(this.at);
      if (c === 10) {
        this.line++;
        this.lineStart = true;
        this.at++;
      } else if (isBlank(c)) {
        this.at++;
      } else if (!this.skipComment()) {
        return true;
      }
    }
  }

  // "#": the whole logical line; a backslash at its end continues it.
  readDirective() {
    while (this.at < this.source.length && this.code(this.at) !== 10) {
      const continued = this.code(this.at) === 92 &&
        (this.code(this.at + 1) === 10 || (this.code(this.at + 1) === 13 && this.code(this.at + 2) === 10));
      if (continued) {
        this.at = this.source.indexOf('\n', this.at) + 1;
        this.line++;
      } else if (!this.skipComment()) {
        this.at++;
      }
    }
    return 'directive';
  }

  // The kind of the token at `at`, read to its end.
  readToken(c) {
    if (c === 35 && this.lineStart) return this.readDirective();
    this.at++;
    if (isWordChar(c) || (c === 46 && this.code(this.at) >= 48 && this.code(this.at) <= 57)) {
      // A word or a number: C's preprocessing numbers also run on over letters and dots.
      while (this.at < this.source.length && (isWordChar(this.code(this.at)) || this.code(this.at) === 46)) this.at++;
      return (c >= 48 && c <= 57) || c === 46 ? 'number' : 'word';
    }
    if (c === 34 || c === 39) {  // a string or character literal, to its end or the line's
      while (this.at < this.source.length && this.code(this.at) !== c && this.code(this.at) !== 10) {
        this.at += this.code(this.at) === 92 ? 2 : 1;
      }
      if (this.code(this.at) === c) this.at++;
      return 'literal';
    }
    this.token.code = c;
    return 'punct';
  }

  next() {
    const {token} = this;
    if (!this.skipBlanks()) return (token.kind = 'end');
    token.start = this.at;
    token.line = this.line;
    token.kind = this.readToken(this.code(this.at));
    this.lineStart = false;
    token.end = this.at;
    return token.kind;
  }

  // The value of a plain hex (0x1f) or decimal (31) token of at most three digits, read
  // without making its text (most of a large header's time otherwise); -1 for any other.
  plainValue() {
    const {start, end} = this.token;
    const hex = this.code(start) === 48 && (this.code(start + 1) | 32) === 120;  // "0x"
    if (hex ? end - start < 3 || end - start > 4 : end - start > 3 || (this.code(start) === 48 && end - start > 1)) {
      return -1;  // long, or octal
    }
    let value = 0;
    for (let i = hex ? start + 2 : start; i < end; i++) {
      const digit = hex ? hexDigit(this.code(i)) : this.code(i) - 48;
      if (digit < 0 || digit > (hex ? 15 : 9)) return -1;
      value = (hex ? 16 : 10) * value + digit;
    }
    return value;
  }

  // The token's text.
  text() {
    return this.source.slice(this.token.start, this.token.end);
  }

  // The token's text run on to the end of its element (a ",", "}" or line end).
  rest() {
    const {start} = this.token;
    const end = this.source.slice(start, start + 64).search(/[,}\n]/);
    return this.source.slice(start, end < 0 ? start + 64 : start + end).trim();
  }
}

const cTokens = (text) => new CTokens(text);

// `#define NAME VALUE` with an integer VALUE (in parentheses or not): [NAME, value], or null.
function integerDefine(directive) {
  const blanked = directive.replace(/\/\*[^]*?\*\/|\/\/.*/g, ' ').replace(/\\\r?\n/g, ' ');
  const define = /^#\s*define\s+([A-Za-z_]\w*)\s+\(?\s*(\w+)\s*\)?\s*$/.exec(blanked.trim());
  if (!define) return null;
  const value = literalValue(define[2]);
  return value === null ? null : [define[1], value];
}

const shownToken = (token) => (token.length > 24 ? `${token.slice(0, 21)}…` : token);

// The elements of an initialiser as they are read: the bytes, the problems (the first few
// listed, all counted), and where the reading stands.
class Initialiser {
  constructor() {
    this.bytes = new Uint8Array(1024);
    this.count = 0;
    this.problems = [];
    this.problemCount = 0;
    this.depth = 1;
    this.expectValue = true;  // after "{" or ",": an element comes
    this.elementBad = false;  // a problem is said once an element
  }

  problem(text) {
    if (this.problemCount++ < ARRAY_TEXT_PROBLEMS_LISTED) this.problems.push(text);
  }

  // A punctuation that structures the initialiser; false when the last "}" closes it.
  punct(code, line) {
    if (code === 123) {  // "{"
      this.depth++;
      this.expectValue = true;
      this.elementBad = false;
    } else if (code === 125) {  // "}"
      if (--this.depth === 0) return false;
      this.expectValue = false;
    } else {  // ","
      if (this.expectValue && !this.elementBad) this.problem(`line ${line}: an element is missing before ","`);
      this.expectValue = true;
      this.elementBad = false;
    }
    return true;
  }

  // An element's token; false when the array holds more than a picture's bytes.
  element(kind, tokens, line) {
    if (this.elementBad) return true;  // the rest of an element already said to be wrong
    if (!this.expectValue) {
      this.problem(`line ${line}: a "," is missing before ${shownToken(tokens.rest())}`);
      this.elementBad = true;
      return true;
    }
    let value = kind === 'number' ? tokens.plainValue() : -1;
    if (value < 0) value = literalValue(tokens.text()) ?? -1;
    if (value < 0 || value > 255) {
      this.problem(`line ${line}: ${shownToken(tokens.rest())} is not a byte (0 to 255)`);
      this.elementBad = true;
      return true;
    }
    if (this.count === ARRAY_TEXT_MAX_BYTES) {
      this.problem(`line ${line}: the array holds more than ${ARRAY_TEXT_MAX_BYTES.toLocaleString('en')} bytes,` +
        ' the bytes of the largest picture panelbake makes');
      return false;
    }
    if (this.count === this.bytes.length) {
      const grown = new Uint8Array(Math.min(ARRAY_TEXT_MAX_BYTES, 2 * this.bytes.length));
      grown.set(this.bytes);
      this.bytes = grown;
    }
    this.bytes[this.count++] = value;
    this.expectValue = false;
    return true;
  }
}

const STRUCTURE = new Set([123, 125, 44]);  // "{", "}", ","

// Reads the elements of an initialiser whose "{" was the last token, up to its "}": nested
// braces (an array of arrays) are read through. Returns {bytes, problems, problemCount}.
function readInitialiser(tokens, openLine) {
  const read = new Initialiser();
  let lastLine = openLine;
  for (;;) {
    const kind = tokens.next();
    const {line} = tokens.token;
    if (kind === 'end') {
      read.problem(`line ${lastLine}: the array that opens on line ${openLine} is not closed with "}"`);
      break;
    }
    lastLine = line;
    const punct = kind === 'punct' && STRUCTURE.has(tokens.token.code);
    // #if and friends inside an initialiser are not followed: their lines are skipped.
    if (kind === 'directive') continue;
    if (!(punct ? read.punct(tokens.token.code, line) : read.element(kind, tokens, line))) break;
  }
  const {problems, problemCount} = read;
  if (problemCount > problems.length) problems.push(`… and ${problemCount - problems.length} more`);
  return {bytes: read.bytes.subarray(0, read.count), problems, problemCount};
}

// The product of an array's declared sizes ([1024], [8][128], [LOGO_BYTES]), or null when
// one is empty or not a number the text defines.
function declaredLength(sizes, defines) {
  let length = 1;
  for (const size of sizes) {
    const value = size.length === 1 ? (literalValue(size[0]) ?? defines.get(size[0]) ?? null) : null;
    if (value === null) return null;
    length *= value;
  }
  return length;
}

// The declaration since the last ";", "{" or "}": its words before the first "[", whether a
// "*" came before it, the tokens of each "[...]", and its last token.
class Declaration {
  constructor() {
    this.words = [];
    this.pointer = false;
    this.sizes = null;
    this.inSize = false;
    this.last = '';
  }

  add(kind, text) {
    if (text === '[') {
      this.sizes = this.sizes || [];
      this.sizes.push([]);
      this.inSize = true;
    } else if (text === ']') {
      this.inSize = false;
    } else if (this.inSize) {
      this.sizes[this.sizes.length - 1].push(text);
    } else if (!this.sizes && kind === 'word') {
      this.words.push(text);
    } else if (!this.sizes && text === '*') {
      this.pointer = true;
    }
    this.last = text;
  }

  // Whether a "{" after it opens an initialiser: "name[...] = {", "name[...] {", or braces
  // with nothing before them outside any others.
  opensInitialiser(braces) {
    return (this.sizes && (this.last === '=' || this.last === ']')) || (this.last === '' && braces === 0);
  }

  // The array whose initialiser opens on `line`.
  array(tokens, line, defines) {
    const name = this.sizes ? this.words[this.words.length - 1] || '' : '';
    const ofBytes = !this.pointer && !this.words.some((word) => NOT_BYTE_TYPES.test(word));
    return {name, line, ofBytes, declared: this.sizes ? declaredLength(this.sizes, defines) : null,
            ...readInitialiser(tokens, line)};
  }
}

// Every array with an initialiser in `text`, in the order of the text:
// [{name, line, bytes (Uint8Array), problems, problemCount, ofBytes (declared as bytes),
// declared (its declared length, or null)}], and the integer macros: Map NAME -> value.
function arraysOfText(text) {
  const tokens = cTokens(text);
  const defines = new Map();
  const arrays = [];
  let braces = 0;
  let declaration = new Declaration();
  for (let kind; (kind = tokens.next()) !== 'end';) {
    const token = tokens.text();
    if (kind === 'directive') {
      const define = integerDefine(token);
      if (define) defines.set(define[0], define[1]);
    } else if (token === '{' || token === '}' || token === ';') {
      if (token === '{' && declaration.opensInitialiser(braces)) arrays.push(declaration.array(tokens, tokens.token.line, defines));
      else if (token === '{') braces++;
      else if (token === '}') braces = Math.max(0, braces - 1);
      declaration = new Declaration();
    } else {
      declaration.add(kind, token);
    }
  }
  return {arrays, defines};
}

// The array's width and height from size macros: panelbake's (LOGO_GLCD_WIDTH and
// LOGO_GLCD_HEIGHT for logo_glcd_bmp), NAME_WIDTH and NAME_HEIGHT, or the only pair of
// *_WIDTH and *_HEIGHT macros in the text. {width?, height?, widthMacro?, heightMacro?}
function sizeFromMacros(name, defines) {
  const upper = new Map([...defines].map(([macro, value]) => [macro.toUpperCase(), [macro, value]]));
  const stems = [name.toUpperCase().replace(/_BMP$/, ''), name.toUpperCase()];
  let stem = stems.find((s) => s && (upper.has(`${s}_WIDTH`) || upper.has(`${s}_HEIGHT`)));
  if (!stem) {
    const widths = [...upper.keys()].filter((macro) => macro.endsWith('_WIDTH'));
    const only = widths.length === 1 ? widths[0].slice(0, -'_WIDTH'.length) : null;
    const heights = [...upper.keys()].filter((macro) => macro.endsWith('_HEIGHT'));
    if (only && heights.length <= 1 && (heights.length === 0 || heights[0] === `${only}_HEIGHT`)) stem = only;
  }
  const size = {};
  for (const side of ['width', 'height']) {
    const found = stem && upper.get(`${stem}_${side.toUpperCase()}`);
    if (found && found[1] > 0) {
      size[side] = found[1];
      size[`${side}Macro`] = found[0];
    }
  }
  return size;
}

// Reads the bytes of one array in C text: `choice` is the array's index among `arrays`, by
// default the first that is declared as bytes and reads without a problem. Returns
// {bytes, width?, height?, widthMacro?, heightMacro?, name, line, arrays: [{name, line,
// count}], chosen, notes, problems, problemCount}: `problems` say why the bytes are not the
// array's (nothing is to be shown then; the first few are listed, all are counted), `notes`
// what a reader should know about bytes that are.
export function parseArrayText(text, choice) {
  let {arrays: found, defines} = arraysOfText(text);
  if (found.length === 0 && !/[{}]/.test(text.replace(/\/\*[^]*?\*\/|\/\/.*/g, ''))) {
    // Bytes alone, without braces: "0x00, 0x1f, ..." copied out of an initialiser.
    const tokens = cTokens(`${text}\n}`);
    found = [{name: '', line: 1, ofBytes: true, declared: null, ...readInitialiser(tokens, 1)}];
  }
  const arrays = found.filter((array) => array.ofBytes);
  const listed = arrays.map(({name, line, bytes}) => ({name, line, count: bytes.length}));
  if (arrays.length === 0) {
    const others = found.map(({name}) => name || 'one without a name');
    return {bytes: new Uint8Array(0), name: '', line: 0, arrays: listed, chosen: -1, notes: [], problemCount: 1,
            problems: [others.length === 0 ? 'The text holds no array: no "{" follows an array\'s "[...] =".'
              : `The text holds no array of bytes: ${others.join(', ')} ${others.length === 1 ? 'is' : 'are'}` +
                ' declared as pointers or wider numbers. A frames or table header holds no bytes itself: the' +
                ' headers it includes do.']};
  }
  let chosen = Number.isInteger(choice) && choice >= 0 && choice < arrays.length ? choice
    : arrays.findIndex((array) => array.problemCount === 0);
  if (chosen < 0) chosen = 0;
  const array = arrays[chosen];
  const notes = [];
  let bytes = array.bytes;
  const what = array.name || 'The array';
  if (array.declared !== null && array.problemCount === 0) {
    if (bytes.length > array.declared) {
      array.problems.push(`line ${array.line}: ${what} is declared with ${array.declared} bytes and holds` +
        ` ${bytes.length}`);
    } else if (array.declared > ARRAY_TEXT_MAX_BYTES) {
      notes.push(`${what} is declared with ${array.declared} bytes, more than a picture holds: only the` +
        ` ${bytes.length} of its initialiser are taken.`);
    } else if (bytes.length < array.declared) {
      // C fills the rest of an array declared longer than its initialiser with zeros.
      notes.push(`${what} is declared with ${array.declared} bytes and initialised with ${bytes.length}:` +
        ` the other ${array.declared - bytes.length} are 0x00, as C fills them.`);
      const whole = new Uint8Array(array.declared);
      whole.set(bytes);
      bytes = whole;
    }
  }
  if (array.problems.length === 0 && bytes.length === 0) {
    array.problems.push(`line ${array.line}: ${what} holds no bytes`);
  }
  return {bytes, name: array.name, line: array.line, arrays: listed, chosen, notes, problems: array.problems,
          problemCount: array.problemCount || array.problems.length, ...sizeFromMacros(array.name, defines)};
}
