#include "core/FuzzCorpusReplay.h"

namespace {

// The record fuzzer's corpus: every build reads, writes back and converts with each kept format,
// configuration and file-type list.
TEST(RecordCorpusReplay, EveryCorpusFileIsReadWrittenAndUsedCleanly)
{
    mervalon::test::replayFuzzCorpus("records");
}

} // namespace
