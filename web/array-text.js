// SPDX-License-Identifier: MIT
// Bytes back from C text: the initialiser of a byte array, in a header panelbake writes or in
// any C source, and the picture's size from the size macros beside it. It touches no page:
// the page (arrays.js) and the tests under Node call it alike.
'use strict';

// Only parseArrayText is the page's: the rest stays inside, clear of the other scripts' names.
const arrayText = (() => {
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
  function literalValue(token) {
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
  function cTokens(text) {
    let at = 0;
    let line = 1;
    let lineStart = true;  // only whitespace and comments since the last line end
    const token = {kind: '', start: 0, end: 0, line: 1, code: 0};  // code: a punctuation's
    const code = (i) => text.charCodeAt(i);
    const isWordChar = (c) => (c >= 48 && c <= 57) || ((c | 32) >= 97 && (c | 32) <= 122) || c === 95 || c === 36;

    // Past a comment that starts at `at`, counting its lines; false if none starts there.
    function skipComment() {
      if (code(at) !== 47) return false;  // "/"
      if (code(at + 1) === 47) {
        while (at < text.length && code(at) !== 10) at++;
        return true;
      }
      if (code(at + 1) !== 42) return false;  // "*"
      const end = text.indexOf('*/', at + 2);
      const stop = end < 0 ? text.length : end + 2;
      for (let i = at; i < stop; i++) if (code(i) === 10) line++;
      at = stop;
      return true;
    }

    function next() {
      for (;;) {
        if (at >= text.length) return (token.kind = 'end');
        const c = code(at);
        if (c === 10) {
          line++;
          lineStart = true;
          at++;
        } else if (c === 32 || c === 9 || c === 13 || c === 12 || c === 11 || c === 0xfeff) {
          at++;
        } else if (!skipComment()) {
          break;
        }
      }
      token.start = at;
      token.line = line;
      const c = code(at);
      if (c === 35 && lineStart) {  // "#": the whole logical line
        token.kind = 'directive';
        while (at < text.length && code(at) !== 10) {
          const continued = code(at) === 92 && (code(at + 1) === 10 || (code(at + 1) === 13 && code(at + 2) === 10));
          if (continued) {  // a backslash at the end continues the line
            at = text.indexOf('\n', at) + 1;
            line++;
          } else if (!skipComment()) {
            at++;
          }
        }
      } else if (isWordChar(c) || (c === 46 && code(at + 1) >= 48 && code(at + 1) <= 57)) {
        // A word or a number: C's preprocessing numbers also run on over letters and dots.
        token.kind = c >= 48 && c <= 57 || c === 46 ? 'number' : 'word';
        at++;
        while (at < text.length && (isWordChar(code(at)) || code(at) === 46)) at++;
      } else if (c === 34 || c === 39) {  // a string or character literal, to its end or the line's
        token.kind = 'literal';
        at++;
        while (at < text.length && code(at) !== c && code(at) !== 10) at += code(at) === 92 ? 2 : 1;
        if (code(at) === c) at++;
      } else {
        token.kind = 'punct';
        token.code = c;
        at++;
      }
      lineStart = false;
      token.end = at;
      return token.kind;
    }

    // The value of a plain hex (0x1f) or decimal (31) token of at most three digits, read
    // without making its text (most of a large header's time otherwise); -1 for any other.
    const hexDigit = (c) => (c >= 48 && c <= 57 ? c - 48 : (c | 32) >= 97 && (c | 32) <= 102 ? (c | 32) - 87 : -1);
    const plainValue = () => {
      const {start, end} = token;
      let value = 0;
      if (code(start) === 48 && (code(start + 1) | 32) === 120) {  // "0x"
        if (end - start < 3 || end - start > 4) return -1;
        for (let i = start + 2; i < end; i++) {
          const digit = hexDigit(code(i));
          if (digit < 0) return -1;
          value = 16 * value + digit;
        }
        return value;
      }
      if (end - start > 3 || (code(start) === 48 && end - start > 1)) return -1;  // long, or octal
      for (let i = start; i < end; i++) {
        const digit = code(i) - 48;
        if (digit < 0 || digit > 9) return -1;
        value = 10 * value + digit;
      }
      return value;
    };
    // The token's text; rest() runs on to the end of its element (a ",", "}" or line end).
    const rest = () => {
      const end = text.slice(token.start, token.start + 64).search(/[,}\n]/);
      return text.slice(token.start, end < 0 ? token.start + 64 : token.start + end).trim();
    };
    return {token, next, text: () => text.slice(token.start, token.end), rest, plainValue};
  }

  // `#define NAME VALUE` with an integer VALUE (in parentheses or not): [NAME, value], or null.
  function integerDefine(directive) {
    const blanked = directive.replace(/\/\*[^]*?\*\/|\/\/.*/g, ' ').replace(/\\\r?\n/g, ' ');
    const define = /^#\s*define\s+([A-Za-z_]\w*)\s+\(?\s*(\w+)\s*\)?\s*$/.exec(blanked.trim());
    if (!define) return null;
    const value = literalValue(define[2]);
    return value === null ? null : [define[1], value];
  }

  const shownToken = (token) => (token.length > 24 ? `${token.slice(0, 21)}…` : token);

  // Reads the elements of an initialiser whose "{" was the last token, up to its "}": nested
  // braces (an array of arrays) are read through. Returns {bytes, problems, problemCount}.
  function readInitialiser(tokens, openLine) {
    let bytes = new Uint8Array(1024);
    let count = 0;
    const problems = [];
    let problemCount = 0;
    const problem = (text) => {
      if (problemCount++ < ARRAY_TEXT_PROBLEMS_LISTED) problems.push(text);
    };
    let depth = 1;
    let expectValue = true;  // after "{" or ",": an element comes
    let elementBad = false;  // a problem is said once an element
    let lastLine = openLine;
    for (;;) {
      const kind = tokens.next();
      const {line} = tokens.token;
      if (kind === 'end') {
        problem(`line ${lastLine}: the array that opens on line ${openLine} is not closed with "}"`);
        break;
      }
      lastLine = line;
      const punct = kind === 'punct' ? tokens.token.code : 0;
      if (punct === 123) {  // "{"
        depth++;
        expectValue = true;
        elementBad = false;
      } else if (punct === 125) {  // "}"
        if (--depth === 0) break;
        expectValue = false;
      } else if (punct === 44) {  // ","
        if (expectValue && !elementBad) problem(`line ${line}: an element is missing before ","`);
        expectValue = true;
        elementBad = false;
      } else if (kind === 'directive') {
        // #if and friends inside an initialiser are not followed: their lines are skipped.
      } else if (elementBad) {
        // the rest of an element already said to be wrong
      } else if (!expectValue) {
        problem(`line ${line}: a "," is missing before ${shownToken(tokens.rest())}`);
        elementBad = true;
      } else {
        let value = kind === 'number' ? tokens.plainValue() : -1;
        if (value < 0) value = literalValue(tokens.text()) ?? -1;
        if (value < 0 || value > 255) {
          problem(`line ${line}: ${shownToken(tokens.rest())} is not a byte (0 to 255)`);
          elementBad = true;
        } else {
          if (count === ARRAY_TEXT_MAX_BYTES) {
            problem(`line ${line}: the array holds more than ${ARRAY_TEXT_MAX_BYTES.toLocaleString('en')} bytes,` +
              ' the bytes of the largest picture panelbake makes');
            break;
          }
          if (count === bytes.length) {
            const grown = new Uint8Array(Math.min(ARRAY_TEXT_MAX_BYTES, 2 * bytes.length));
            grown.set(bytes);
            bytes = grown;
          }
          bytes[count++] = value;
          expectValue = false;
        }
      }
    }
    if (problemCount > problems.length) problems.push(`… and ${problemCount - problems.length} more`);
    return {bytes: bytes.subarray(0, count), problems, problemCount};
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

  // Every array with an initialiser in `text`, in the order of the text:
  // [{name, line, bytes (Uint8Array), problems, problemCount, ofBytes (declared as bytes),
  // declared (its declared length, or null)}], and the integer macros: Map NAME -> value.
  function arraysOfText(text) {
    const tokens = cTokens(text);
    const defines = new Map();
    const arrays = [];
    let braces = 0;
    // The declaration since the last ";", "{" or "}": its words before the first "[", whether
    // a "*" came before it, the tokens of each "[...]", and its last token.
    let words = [];
    let pointer = false;
    let sizes = null;
    let inSize = false;
    let last = '';
    const reset = () => {
      words = [];
      pointer = false;
      sizes = null;
      inSize = false;
      last = '';
    };
    for (let kind; (kind = tokens.next()) !== 'end';) {
      const text = tokens.text();
      if (kind === 'directive') {
        const define = integerDefine(text);
        if (define) defines.set(define[0], define[1]);
        continue;
      }
      if (text === '{') {
        // An initialiser: "name[...] = {", "name[...] {", or braces with nothing before them.
        const initialiser = (sizes && (last === '=' || last === ']')) || (last === '' && braces === 0);
        if (initialiser) {
          const {line} = tokens.token;
          const name = sizes ? words[words.length - 1] || '' : '';
          const ofBytes = !pointer && !words.some((word) => NOT_BYTE_TYPES.test(word));
          arrays.push({name, line, ofBytes, declared: sizes ? declaredLength(sizes, defines) : null,
                       ...readInitialiser(tokens, line)});
        } else {
          braces++;
        }
        reset();
      } else if (text === '}') {
        braces = Math.max(0, braces - 1);
        reset();
      } else if (text === ';') {
        reset();
      } else {
        if (text === '[') {
          sizes = sizes || [];
          sizes.push([]);
          inSize = true;
        } else if (text === ']') {
          inSize = false;
        } else if (inSize) {
          sizes[sizes.length - 1].push(text);
        } else if (!sizes && kind === 'word') {
          words.push(text);
        } else if (!sizes && text === '*') {
          pointer = true;
        }
        last = text;
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
  function parseArrayText(text, choice) {
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

  return {parseArrayText, literalValue};
})();

if (typeof module === 'object' && module.exports) module.exports = arrayText;
