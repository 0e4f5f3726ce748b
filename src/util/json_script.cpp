#include "util/json_script.h"

namespace storvane {
namespace {

// Written for an ECMAScript 3 engine: no JSON object, no Array.isArray, no Object.keys, no
// property attributes (so members added to Object.prototype show up in every for-in loop and
// the helpers skip functions wherever they walk an object).
//
// The parser builds values itself and never evaluates any part of its input, so text from the
// network cannot run as script. It works iteratively with an explicit stack and refuses
// nesting deeper than 512 levels: the recursive walkers (stringify, get__nodeValue,
// get__extend) then never meet a document deep enough to exhaust the engine's stack.
// Numbers are converted with parseFloat: some engines turn "2.5e+3" into NaN through
// Number() or unary plus, and the token has been checked to be a JSON number already. An
// exponent beyond the engine's integer range (0.4e0066999999999999) sends some parseFloat into
// a loop for hours, so a number far outside a double's range never reaches it: it gets the
// infinity or zero of its sign that every engine ends with anyway. A long mantissa costs
// parseFloat nothing worth guarding against (100000 digits take a millisecond).
constexpr std::wstring_view kScript =
    LR"js(
function get__nodeValue(str_json, recursion) {
  if (str_json === null || str_json === undefined) return str_all;
  for (var i in str_json) {
    var kind = Object.prototype.toString.call(str_json[i]);
    if (kind == '[object Object]' || kind == '[object Array]') {
      if (recursion) get__nodeValue(str_json[i], recursion);
    } else if (kind == '[object String]' || kind == '[object Number]' || kind == '[object Boolean]') {
      str_all.push(str_json[i]);
    }
  }
  return str_all;
}
function get__count(c) {
  return Object.prototype.toString.call(c) == '[object Array]' ? c.length : 0;
}
function get__name_All(a) {
  if (a === null || a === undefined || Object.prototype.toString.call(a) != '[object Object]') return '';
  var names = [];
  for (var k in a) if (typeof a[k] != 'function') names.push(k);
  return names.join('\r\n');
}
function get__extend(target, source) {
  if (target === null || target === undefined) return source;
  if (Object.prototype.toString.call(target) == '[object Array]') {
    for (var n = 0; n < source.length; n++) target.push(source[n]);
    return target;
  }
  for (var k in source) {
    switch (typeof target[k]) {
      case 'string': case 'boolean': case 'number': case 'undefined':
        target[k] = source[k]; break;
      case 'object':
        target[k] = get__extend(target[k], source[k]); break;
    }
  }
  return target;
}
var JSON;
if (typeof JSON != 'object' || JSON === null) JSON = {};
(function () {
  var classOf = function (v) { return Object.prototype.toString.call(v); };
  var two = function (n) { return n < 10 ? '0' + n : '' + n; };
  if (typeof Date.prototype.toJSON != 'function') {
    Date.prototype.toJSON = function () {
      return isFinite(this.valueOf())
        ? this.getUTCFullYear() + '-' + two(this.getUTCMonth() + 1) + '-' + two(this.getUTCDate()) + 'T' +
          two(this.getUTCHours()) + ':' + two(this.getUTCMinutes()) + ':' + two(this.getUTCSeconds()) + 'Z'
        : null;
    };
  }
  var primitive = function () { return this.valueOf(); };
  if (typeof String.prototype.toJSON != 'function') String.prototype.toJSON = primitive;
  if (typeof Number.prototype.toJSON != 'function') Number.prototype.toJSON = primitive;
  if (typeof Boolean.prototype.toJSON != 'function') Boolean.prototype.toJSON = primitive;
  var special = /[\\\"\u0000-\u001f\u007f-\u009f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;
  var shortForm = { '\b': '\\b', '\t': '\\t', '\n': '\\n', '\f': '\\f', '\r': '\\r', '"': '\\"', '\\': '\\\\' };
  var quote = function (s) {
    special.lastIndex = 0;
    if (!special.test(s)) return '"' + s + '"';
    special.lastIndex = 0;
    return '"' + s.replace(special, function (c) {
      var f = shortForm[c];
      return typeof f == 'string' ? f : '\\u' + ('0000' + c.charCodeAt(0).toString(16)).slice(-4);
    }) + '"';
  };
  if (typeof JSON.stringify != 'function') {
    JSON.stringify = function (value, replacer, space) {
      var gap = '', depth = 0;
      if (typeof space == 'number') { for (var s = 0; s < space && s < 10; s++) gap += ' '; }
      else if (typeof space == 'string') gap = space.slice(0, 10);
      var pick = null;
      if (replacer && typeof replacer != 'function') {
        if (classOf(replacer) != '[object Array]') throw new Error('JSON.stringify');
        pick = [];
        for (var r = 0; r < replacer.length; r++)
          if (typeof replacer[r] == 'string' || typeof replacer[r] == 'number') pick.push(String(replacer[r]));
      }
      var write = function (key, holder, indent) {
        var v = holder[key], parts = [], inner = indent + gap, i, item;
        if (v !== null && v !== undefined && typeof v.toJSON == 'function') v = v.toJSON(key);
        if (typeof replacer == 'function') v = replacer.call(holder, key, v);
        switch (typeof v) {
          case 'string': return quote(v);
          case 'number': return isFinite(v) ? String(v) : 'null';
          case 'boolean': return String(v);
          case 'object': break;
          default: return undefined;
        }
        if (v === null) return 'null';
        // A cycle shows up as runaway depth; the cap also keeps the recursion within the
        // engine's stack for anything the parser would accept.
        if (++depth > 512) throw new Error('JSON.stringify: too deep or cyclic');
        var isArray = classOf(v) == '[object Array]';
        if (isArray) {
          for (i = 0; i < v.length; i++) { item = write(i, v, inner); parts.push(item === undefined ? 'null' : item); }
        } else {
          var keys = [];
          if (pick) keys = pick;
          else for (i in v) if (Object.prototype.hasOwnProperty.call(v, i)) keys.push(i);
          for (i = 0; i < keys.length; i++) {
            item = write(keys[i], v, inner);
            if (item !== undefined) parts.push(quote(keys[i]) + (gap ? ': ' : ':') + item);
          }
        }
        depth--;
        var l = isArray ? '[' : '{', rr = isArray ? ']' : '}';
        if (!parts.length) return l + rr;
        if (!gap) return l + parts.join(',') + rr;
        return l + '\n' + inner + parts.join(',\n' + inner) + '\n' + indent + rr;
      };
      return write('', { '': value }, '');
    };
  }
  if (typeof JSON.parse != 'function') {
    // One pass of replace() splits the text into tokens (much faster in these engines than
    // match() or an exec() loop); anything that is no JSON token comes out as a single
    // character of its own, which the parser then refuses. Blanks are dropped on the way.
    var lexer = /"[^"\\\u0000-\u001f]*(?:\\(?:["\\\/bfnrt]|u[0-9a-fA-F]{4})[^"\\\u0000-\u001f]*)*"|-?(?:0|[1-9]\d*)(?:\.\d+)?(?:[eE][+\-]?\d+)?|true|false|null|[\[\]{}:,]|[ \t\n\r]+|[\s\S]/g;
    var escapeSeq = /\\(?:u([0-9a-fA-F]{4})|([^u]))/g;
    var escaped = { '"': '"', '\\': '\\', '/': '/', b: '\b', f: '\f', n: '\n', r: '\r', t: '\t' };
    var unquote = function (t) {
      var s = t.slice(1, t.length - 1);
      if (s.indexOf('\\') < 0) return s;
      return s.replace(escapeSeq, function (all, hex, c) {
        return hex ? String.fromCharCode(parseInt(hex, 16)) : escaped[c];
      });
    };
    var isName = function (t) { return t.length > 1 && t.charAt(0) == '"'; };
    var toNumber = function (t) {
      var n = t.length, e = t.indexOf('e'), negative = t.charAt(0) == '-', i = negative ? 1 : 0;
      if (e < 0) e = t.indexOf('E');
      if (e < 0) return parseFloat(t);
      var dot = t.indexOf('.');
      if (dot < 0) dot = e;
      while (i < e && (t.charAt(i) == '0' || t.charAt(i) == '.')) i++;
      if (i == e) return negative ? -0 : 0;
      // The power of ten of the first significant digit, then of the whole number.
      var scale = i < dot ? dot - i - 1 : dot - i;
      var exponentNegative = t.charAt(e + 1) == '-', x = 0;
      i = t.charAt(e + 1) == '-' || t.charAt(e + 1) == '+' ? e + 2 : e + 1;
      while (i < n - 1 && t.charAt(i) == '0') i++;
      // Ten digits or more: no mantissa a text can hold brings that back into range.
      if (n - i > 9) x = 1e9;
      else for (; i < n; i++) x = x * 10 + (t.charCodeAt(i) - 48);
      scale += exponentNegative ? -x : x;
      if (scale > 400) return negative ? -Infinity : Infinity;
      if (scale < -400) return negative ? -0 : 0;
      return parseFloat(t);
    };
    JSON.parse = function (text, reviver) {
      var tokens = [], count = 0;
      String(text).replace(lexer, function (t) {
        var c = t.charAt(0);
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') tokens[count++] = t;
        return '';
      });
      // An empty token ends the list: it is no value, no separator and no bracket.
      tokens[count] = '';
      var at = 0, stack = [], holder = null, key = null, isArray = false, v, t, c;
      for (;;) {
        t = tokens[at++]; c = t.charAt(0);
        if (c == '{' || c == '[') {
          t = tokens[at++];
          if (t == (c == '{' ? '}' : ']')) v = c == '{' ? {} : [];
          else {
            if (stack.length >= 3 * 512) throw new SyntaxError('JSON.parse: too deep');
            stack.push(holder, key, isArray);
            isArray = c == '[';
            holder = isArray ? [] : {};
            if (isArray) at--;
            else if (isName(t) && tokens[at++] == ':') key = unquote(t);
            else throw new SyntaxError('JSON.parse');
            continue;
          }
        } else if (c == '"' && t.length > 1) v = unquote(t);
        else if (t == 'true') v = true;
        else if (t == 'false') v = false;
        else if (t == 'null') v = null;
        else if ((c == '-' && t.length > 1) || (c >= '0' && c <= '9')) v = toNumber(t);
        else throw new SyntaxError('JSON.parse');
        for (;;) {
          if (holder === null) {
            if (at != count) throw new SyntaxError('JSON.parse');
            if (typeof reviver != 'function') return v;
            var walk = function (h, k) {
              var x = h[k];
              if (x && typeof x == 'object') {
                for (var n in x) if (Object.prototype.hasOwnProperty.call(x, n)) {
                  var y = walk(x, n);
                  if (y === undefined) delete x[n]; else x[n] = y;
                }
              }
              return reviver.call(h, k, x);
            };
            return walk({ '': v }, '');
          }
          if (isArray) holder[holder.length] = v; else holder[key] = v;
          t = tokens[at++];
          if (t == ',') {
            if (!isArray) {
              t = tokens[at++];
              if (isName(t) && tokens[at++] == ':') key = unquote(t);
              else throw new SyntaxError('JSON.parse');
            }
            break;
          }
          if (t != (isArray ? ']' : '}')) throw new SyntaxError('JSON.parse');
          v = holder; isArray = stack.pop(); key = stack.pop(); holder = stack.pop();
        }
      }
    };
  }
  if (typeof Object.prototype.toJSONString != 'function') {
    Object.prototype.toJSONString = function (replacer, space) { return JSON.stringify(this, replacer, space); };
    Object.prototype.parseJSON = function (reviver) { return JSON.parse(this, reviver); };
  }
})();
)js";

}  // namespace

std::wstring_view JsonSetupScript() { return kScript; }

}  // namespace storvane
