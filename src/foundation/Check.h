// Consistency checks that stay on in release builds. A failed check is reported through one
// replaceable handler with its expression text, module and line; execution then continues.
#pragma once

namespace tv {

enum class Module { ColorSpace, Knots, Registry, Render, Saver };

const char* ModuleName(Module module);

struct CheckFailure {
  const char* expression;
  Module module;
  int line;
};

using CheckHandler = void (*)(const CheckFailure&);

// Installs a handler (nullptr restores the default, which prints to stderr) and returns the old one.
CheckHandler SetCheckHandler(CheckHandler handler);

void ReportCheckFailure(const char* expression, Module module, int line);

}  // namespace tv

// TV_CHECK(Knots, a < b) reports "a < b"; TV_CHECK_TEXT gives the reported text explicitly.
#define TV_CHECK(module, cond) \
  ((cond) ? (void)0 : ::tv::ReportCheckFailure(#cond, ::tv::Module::module, __LINE__))
#define TV_CHECK_TEXT(module, cond, text) \
  ((cond) ? (void)0 : ::tv::ReportCheckFailure(text, ::tv::Module::module, __LINE__))
