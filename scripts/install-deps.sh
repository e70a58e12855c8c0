#!/usr/bin/env bash
# Installs what the build needs when it is missing: a C++ compiler, CMake, flex with its
# C++ header, GoogleTest, pkg-config and COIN-OR's solvers (CBC, Clp). Uses apt-get when run
# as root; otherwise says what to install. --with-tools adds what the full test run uses:
# clang with its fuzzer and sanitizer runtimes, valgrind, and Chromium for the report check,
# which is skipped with a message where Chromium cannot be installed.
set -euo pipefail

missing=()
optional=()
command -v g++ >/dev/null 2>&1 || missing+=(g++)
command -v cmake >/dev/null 2>&1 || missing+=(cmake)
command -v flex >/dev/null 2>&1 || missing+=(flex)
[ -f /usr/include/FlexLexer.h ] || missing+=(libfl-dev)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
command -v pkg-config >/dev/null 2>&1 || missing+=(pkg-config)
# COIN-OR's linear and mixed-integer solvers, for qorsolve.
pkg-config --exists cbc osi-clp clp 2>/dev/null || missing+=(coinor-libcbc-dev coinor-libclp-dev)
if [ "${1:-}" = "--with-tools" ]; then
  command -v clang++ >/dev/null 2>&1 || missing+=(clang)
  # The fuzzer and sanitizer runtimes of clang.
  ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
    missing+=(libclang-rt-dev)
  command -v valgrind >/dev/null 2>&1 || missing+=(valgrind)
  # A headless browser to open qorsolve's HTML report in.
  command -v chromium >/dev/null 2>&1 || optional+=(chromium)
fi

# What the tests can do without: installed where it can be, else named.
install_optional() {
  [ ${#optional[@]} -eq 0 ] && return 0
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
    echo "Installing: ${optional[*]}"
    [ "${1:-}" = updated ] || apt-get update -qq || true
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${optional[@]}" >/dev/null ||
      echo "Could not install ${optional[*]}; the checks that need it are skipped" >&2
  else
    echo "Not installed: ${optional[*]}; the checks that need it are skipped" >&2
  fi
}

if [ ${#missing[@]} -eq 0 ]; then
  install_optional
  exit 0
fi

if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
  install_optional updated
else
  echo "Missing: ${missing[*]}" >&2
  echo "Install them first, for example: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
