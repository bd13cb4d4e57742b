// The corpus of one workbook fuzzer (MERVALON_FUZZ_CORPUS, the fuzzer's source linked into this
// program) replayed without libFuzzer, so that ordinary and sanitizer builds run every kept input.

#include "core/FuzzCorpusReplay.h"

#include <gtest/gtest.h>

TEST(PackageCorpusReplay, EveryKeptInputIsHandled)
{
    mervalon::test::replayFuzzCorpus(MERVALON_FUZZ_CORPUS);
}
