#include "core/FuzzCorpusReplay.h"

namespace {

// The text fuzzer's corpus: every input it kept goes through the reader and the conversion.
TEST(TextCorpusReplay, EveryCorpusFileConvertsOrFailsCleanly)
{
    mervalon::test::replayFuzzCorpus("text");
}

} // namespace
