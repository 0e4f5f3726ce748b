// One regular expression run over one subject text, with its matches kept for reading one by
// one. The matching is done by the system's "VBScript.RegExp" component, so pattern syntax,
// matching rules and replacement substitutions ("$1" ...) are that component's dialect.
//
// Texts are GBK (code page 936); they cross to the component as UTF-16.
//
// Threads: the object and its COM references belong to the thread that created it.
// CreateRegexObject (and Copy) initialise COM on that thread and Destroy ends that use again,
// so creation, every operation and destruction must happen on one thread.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "util/com.h"

namespace storvane {

class RegexObject {
public:
  // An empty record without COM initialised; CreateRegexObject is the way to make a usable one.
  RegexObject() noexcept = default;
  ~RegexObject() { Destroy(); }
  RegexObject(RegexObject&& other) noexcept;
  RegexObject& operator=(RegexObject&& other) noexcept;
  RegexObject(const RegexObject&) = delete;
  RegexObject& operator=(const RegexObject&) = delete;

  // The operations in their fixed slot order.

  // Slot 0: releases the expression, the matches and the subject and ends this record's COM
  // use. Safe to call twice.
  void Destroy() noexcept;

  // Slot 1: a record sharing this one's expression and matches, with its own subject copy.
  RegexObject Copy() const;

  // Slot 2: compiles `pattern` and runs it over `subject`. True when a match collection was
  // obtained (also when it is empty); false for a pattern the component rejects or when the
  // component cannot be created. quoteWord = true turns every "#引号" in the pattern into a
  // double quote first.
  bool Execute(std::string_view pattern, std::string_view subject, bool caseSensitive = false, bool multiline = true,
               bool global = true, bool quoteWord = false);

  // Slot 3: reserved; takes one argument and does nothing.
  void Reserved(int) noexcept {}

  // Slot 4: the expression's pattern; empty before the first Execute.
  std::string GetPattern() const;

  // Slot 5: the last subject with the matches replaced (all of them when Execute ran with
  // global = true, else the first).
  std::string Replace(std::string_view replacement) const;

  // Slot 6: number of matches of the last Execute; 0 without one.
  int GetMatchCount() const;

  // Slot 7: text of match `match` (1-based); empty when out of range. The overload with
  // `position` also gives the match's 0-based byte offset in the GBK subject, -2 when it
  // cannot be found there.
  std::string GetMatchText(int match) const;
  std::string GetMatchText(int match, int& position) const;

  // Slot 8: text of capture group `group` (1-based) of match `match` (1-based); empty for a
  // group that did not take part or indexes out of range. The overload with `position` also
  // gives the group's 0-based byte offset in the GBK subject, -2 when it cannot be found.
  std::string GetSubMatchText(int match, int group) const;
  std::string GetSubMatchText(int match, int group, int& position) const;

  // Slot 9: number of capture groups of the first match; 0 without one.
  int GetSubMatchCount() const;

private:
  friend RegexObject CreateRegexObject();

  std::string MatchText(int match, std::optional<int> group, int* position) const;

  std::optional<ComInit> com_;    // this record's share of the thread's COM use
  ComPtr<IDispatch> expression_;  // the "VBScript.RegExp" instance
  ComPtr<IDispatch> matches_;     // match collection of the last Execute
  Variant subject_;               // subject of the last Execute, as a BSTR
};

// A fresh record: no expression, no matches, the subject the integer 0; initialises COM on
// the calling thread.
RegexObject CreateRegexObject();

// The 0-based byte offset of `found` in the GBK form of `subject`, searching from the byte that
// holds UTF-16 unit `firstIndex` on, or -2 when it is not there. An empty `found` lies at
// `firstIndex` itself. Exposed for tests.
int LocateInSubject(std::wstring_view subject, std::string_view found, long firstIndex, bool ignoreCase);

}  // namespace storvane
