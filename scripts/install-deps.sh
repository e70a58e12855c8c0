#!/usr/bin/env bash
# Installs what the build needs when it is missing: a C++ compiler, CMake, flex with its
# C++ header, GoogleTest, pkg-config and COIN-OR's solvers (CBC, Clp). Uses apt-get when run
# as root; otherwise says what to install.
set -euo pipefail

missing=()
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
fi

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
else
  echo "Missing: ${missing[*]}" >&2
  echo "Install them first, for example: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
