// A JSON document held inside the system's script engine ("MSScriptControl.ScriptControl",
// language JavaScript). The document is the engine's global variable "da"; every operation is
// a short statement built from fixed fragments and the caller's texts and run by the engine.
//
// Paths are script expressions relative to the document: "" or "da" is the whole document,
// "data[0].soft_version" means da.data[0].soft_version, "[2]" means da[2]. A path that itself
// starts with "da" and names something that exists is taken as it stands.
//
// Failures are values: a statement the engine rejects (syntax error, undefined name, member
// of null) gives false, the empty text, 0, or -1 for GetType. A record whose engine could not
// be created stays usable and answers every operation with its empty value.
//
// Trust: Parse(text, false) accepts JSON only and runs none of it, so it is the one way to
// read text that came from outside (the network, files). Everything else takes script text
// and runs it: every path, Parse with raw = true, the value of SetValue/AppendItem/SetItem
// with raw = true, and SetFromExpression's expression. Only the program's own constants (and
// numbers it formats itself) may go there, never text received from elsewhere.
//
// Text values written in text form (raw = false) keep their backslashes: they are stored with
// each backslash as the placeholder U+2400, which every text read turns back into a
// backslash.
//
// Threads: a document belongs to the thread that created it. Init (and Copy) initialise COM on
// that thread and Destroy ends that use again.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/com.h"

namespace storvane {

// Type codes of JsonDocument::GetType.
enum JsonType : int {
  kJsonFailed = -1,
  kJsonMissing = 0,  // missing or null
  kJsonBoolean = 1,
  kJsonNumber = 2,
  kJsonObject = 4,
  kJsonArray = 5,
  kJsonString = 6,
};

class JsonDocument {
public:
  // A record without engine and without COM use: every operation gives its empty value and
  // Parse fails. CreateJsonDocument makes a working one.
  JsonDocument();
  ~JsonDocument() { Destroy(); }
  JsonDocument(JsonDocument&& other) noexcept;
  JsonDocument& operator=(JsonDocument&& other) noexcept;
  JsonDocument(const JsonDocument&) = delete;
  JsonDocument& operator=(const JsonDocument&) = delete;

  // The operations in their fixed slot order.

  // Slot 0: drops this record's engine reference and ends its COM use. Safe to call twice.
  void Destroy() noexcept;
  // Slot 1: a second record on the same engine: both read and change one document.
  JsonDocument Copy() const;
  // Slot 2: initialises COM, creates a fresh engine and runs the set-up; the document is {}.
  void Init();
  // Slot 3: replaces the document in a fresh engine (copies keep the old one). raw = false:
  // `text` must be JSON; anything else, and a top-level string, fails and leaves the
  // document null. raw = true: `text` is run as a script expression (program constants only).
  // True when the document is neither null nor undefined afterwards.
  bool Parse(std::string_view text, bool raw);
  // Slot 4: the document becomes {}.
  bool Reset();
  // Slot 5: the whole document as compact JSON.
  std::string ToJsonText();
  // Slot 6: raw = false stores `value` as a text. raw = true runs `value` as a script
  // expression (program constants only); an empty one means {}, and when the path already
  // holds an object the result is merged into it member by member.
  bool SetValue(std::string_view path, std::string_view value, bool raw);
  // Slot 7: stores the value of a script expression (program constants only).
  bool SetFromExpression(std::string_view path, std::string_view expression);
  // Slot 8: rewrites `path` into an absolute expression; true when it names a value that is
  // neither null nor undefined.
  bool ResolvePath(std::string& path);
  // Slot 9
  bool Exists(std::string_view path);
  // Slot 10: a JsonType code.
  int GetType(std::string_view path);
  // Slot 11: asJson = false gives a string without quotes, a number or boolean as text, an
  // array's elements joined by commas, an object as "[object Object]"; empty when missing.
  std::string GetText(std::string_view path, bool asJson);
  // Slot 12: the object's member names in their order; none for a non-object.
  int GetMemberNames(std::vector<std::string>& names, std::string_view path);
  // Slot 13: the array's length, 0 for anything else.
  int GetCount(std::string_view path);
  // Slot 14: a new document holding a copy of the value at the path. (<windows.h>, which
  // this header includes, renames GetObject to its A/W form; every user sees the same name.)
  JsonDocument GetObject(std::string_view path);
  // Slot 15: puts `value` at the end (or front) of the array at the path; a path that holds
  // no array gets a new one first. raw = false stores `value` as a text, exactly as it is
  // (quotes and backslashes included), like SetValue; raw = true runs it as script.
  bool AppendItem(std::string_view value, std::string_view path, bool raw, bool atFront);
  // Slot 16
  JsonDocument GetItemObject(int index, std::string_view path);
  // Slot 17: asJson = false gives text only for an element that is a string.
  std::string GetItemText(int index, std::string_view path, bool asJson);
  // Slot 18: `value` as in AppendItem.
  bool SetItem(int index, std::string_view path, std::string_view value, bool raw);
  // Slot 19
  bool RemoveItem(int index, std::string_view path);
  // Slot 20
  bool DeleteMember(std::string_view path);
  // Slot 21
  bool SetNumber(std::string_view path, double number);
  // Slot 22
  double GetNumber(std::string_view path);
  // Slot 23
  std::string GetJson(std::string_view path);
  // Slot 24: a further reference to the engine (empty without one).
  ComPtr<IDispatch> GetEngine() const;
  // Slot 25: the string, number and boolean values directly in the object or array at the
  // path (with recursive = true also those of nested objects and arrays), as texts.
  int GetLeafValues(std::vector<std::string>& values, std::string_view path, bool recursive);

private:
  Variant Evaluate(std::string_view code) const;
  Variant EvaluateWide(std::wstring_view code) const;
  bool RunCode(std::wstring_view code) const;
  bool ParseJsonWide(std::wstring_view json);
  std::string Resolved(std::string_view path);
  std::string TextValue(std::string_view value, bool raw) const;
  JsonDocument DocumentFromExpression(const std::string& expression);

  std::string name_;            // the document's global variable, "da"
  std::optional<ComInit> com_;  // this record's share of the thread's COM use
  ComPtr<IDispatch> engine_;    // the script engine, shared with copies
};

// A working document holding {} (or, when the engine cannot be created, an engine-less one).
JsonDocument CreateJsonDocument();

// How values coming back from the engine are read. Exposed for tests.
namespace json_value {
bool ReadBool(const Variant& value);
double ReadNumber(const Variant& value);
std::string ReadText(const Variant& value);
}  // namespace json_value

// `text` as the source of a double-quoted script string literal that holds exactly `text`:
// every character outside printable ASCII, and the quote and backslash, become \uXXXX, so no
// input can end the literal early. Exposed for tests.
std::wstring QuoteForScript(std::wstring_view text);

}  // namespace storvane
