#include "base/messages.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/fatal_error.hpp"
#include "base/limits.hpp"
#include "base/messages_cli.hpp"
#include "base/messages_files.hpp"
#include "base/messages_ranges.hpp"
#include "base/messages_run.hpp"
#include "base/text_reader.hpp"

namespace zeltric::base {
namespace {

TEST(Messages, DisplayLineEndsMakesEveryLineEndOneLf) {
    EXPECT_EQ(displayLineEnds(std::string("a") + kLineBreak + "b"), "a\nb");
    EXPECT_EQ(displayLineEnds("a\r\nb\rc\nd"), "a\nb\nc\nd");
    // CR LF is taken first, so a CR LF CR LF file shows two lines, not three.
    EXPECT_EQ(displayLineEnds("a\r\n\r\nb"), "a\n\nb");
    EXPECT_EQ(displayLineEnds("a\n\r\n\rb"), "a\n\nb");
    EXPECT_EQ(displayLineEnds("\r"), "\n");
    EXPECT_EQ(displayLineEnds(""), "");
    EXPECT_EQ(displayLineEnds("no line end"), "no line end");
}

// Every code has a builder, and no two codes share a text: a front end can
// tell conditions apart by code and a user by words.
TEST(Messages, EveryCodeHasItsOwnText) {
    std::set<std::string> texts;
    for (int k = 0; k <= static_cast<int>(kLastMessageId); ++k) {
        const auto id = static_cast<MessageId>(k);
        const std::string text = messageText(id);
        EXPECT_FALSE(text.empty()) << "code " << k;
        EXPECT_TRUE(texts.insert(text).second) << "code " << k << " repeats \"" << text << '"';
        // Lines are separated by LF CR only; the display normaliser relies on it.
        EXPECT_EQ(text.find("\r\n"), std::string::npos) << "code " << k;
        const FatalError error(id, text, k);
        EXPECT_EQ(error.code(), id);
        EXPECT_EQ(error.what(), text);
        EXPECT_EQ(error.individual(), k);
    }
    EXPECT_EQ(FatalError("refused").code(), MessageId::Refusal);
}

// Texts that front ends show as they are (the seed file's two wordings).
TEST(Messages, FrontEndTextsKeepTheirWords) {
    EXPECT_EQ(seedsNotSavedMessage("/a/ZELTRIC.INI"),
              "The seeds could not be saved: the file /a/ZELTRIC.INI could not be written.");
    EXPECT_EQ(seedsNotWrittenMessage("s.ini"), "The seeds could not be written to \"s.ini\".");
    EXPECT_EQ(
        seedsNotAdvancedMessage("s.ini").rfind("The results are complete, but the seeds could not be written "
                                               "to \"s.ini\": the random stream was not advanced",
                                               0),
        0u);
    EXPECT_EQ(refusalMessage("d.dat", 4, "bad."), placeOf("d.dat", 4) + "bad.");
}

// The dialogs' and the terminal's questions keep their words and spacing
// (two blanks before the second seed's range) while the ranges come from
// the limits.
TEST(Messages, RangeQuestionsStateTheLimits) {
    EXPECT_EQ(firstSeedQuestion(), "First seed? [1.." + std::to_string(kSeed1Max) + "]");
    EXPECT_EQ(secondSeedQuestion(), "Second seed?  [1.." + std::to_string(kSeed2Max) + "]");
    EXPECT_EQ(randomisationCountQuestion(),
              "Number of randomisations ? [100.." + std::to_string(kMaxRandomisations) + "]");
    EXPECT_EQ(replicateCountQuestion(), "Number of replicates ? [100..100000]");
    EXPECT_EQ(randomisationRange(), "100.." + std::to_string(kMaxRandomisations));
}

// Every kind of refused option value has its own expectation, and the
// refusal names the option and quotes what was given.
TEST(Messages, EveryOptionValueSaysWhatItNeeds) {
    std::set<std::string> texts;
    for (int k = 0; k <= static_cast<int>(OptionValue::FigureWidth); ++k) {
        const std::string text = optionValueMessage(static_cast<OptionValue>(k), "--opt", "x y");
        EXPECT_EQ(text.rfind("--opt needs ", 0), 0u) << text;
        EXPECT_EQ(text.find("needs , not"), std::string::npos) << "kind " << k;
        EXPECT_TRUE(text.ends_with(", not \"x y\"")) << text;
        EXPECT_TRUE(texts.insert(text).second) << "kind " << k << " repeats \"" << text << '"';
    }
    EXPECT_EQ(optionValueMessage(OptionValue::Seeds, "--seeds", "0,0"),
              "--seeds needs two seeds S1,S2 with S1 in 1.." + std::to_string(kSeed1Max) + " and S2 in 1.." +
                  std::to_string(kSeed2Max) + ", not \"0,0\"");
}

// The reasons chosen by kind (a renderer's fault) are each their own words,
// and a file's failure ends in one full stop.
TEST(Messages, ReasonsByKindDiffer) {
    std::set<std::string> reasons;
    for (RenderFault fault :
         {RenderFault::SvgUnreadable, RenderFault::NoSize, RenderFault::PdfNotStarted, RenderFault::NoMemory})
        EXPECT_TRUE(reasons.insert(renderFaultReason(fault)).second);
    EXPECT_EQ(reasons.count(""), 0u);
    EXPECT_EQ(fileFailureMessage("read", "data file", "/d/x.dat", "No such file or directory"),
              "Cannot read the data file \"/d/x.dat\": No such file or directory.");
}

// What stands at a file's name, said with the name: never a reader's own
// words for a folder or a pipe.
TEST(Messages, NamesThatAreNoFileSayWhatTheyAre) {
    using platform::FileType;
    const std::pair<FileType, const char*> kinds[] = {{FileType::Folder, "it is a folder, not a file."},
                                                      {FileType::Device, "it is a device, not a file."},
                                                      {FileType::Pipe, "it is a pipe or a socket, not a file; "},
                                                      {FileType::Socket, "it is a pipe or a socket, not a file; "},
                                                      {FileType::Other, "it is a special file, not a file."}};
    for (const auto& [type, words] : kinds) {
        const std::string read = notAFileMessage("run record", "r/x.json", type);
        EXPECT_EQ(read.rfind("Cannot read the run record \"r/x.json\": ", 0), 0u) << read;
        EXPECT_NE(read.find(words), std::string::npos) << read;
        const std::string taken = convertedNameTakenMessage("g.gen-genepop.lab", type);
        EXPECT_EQ(taken.rfind("The file \"g.gen-genepop.lab\" is ", 0), 0u) << taken;
        EXPECT_NE(taken.find("nothing was converted"), std::string::npos) << taken;
    }
    EXPECT_EQ(recordTooLargeMessage("big.json", 64ull << 20),
              "Cannot read the run record \"big.json\": it holds more than 64 MiB, far more than a run record; "
              "nothing was run.");
}

}  // namespace
}  // namespace zeltric::base
