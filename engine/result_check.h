// Whether a step's result may replace the file: the same image (or document, or program), not
// larger, not empty. A seam like ToolRunner, so engine tests can judge results their own way.
#pragma once

#include <string>

#include "engine/command_runner.h"

enum class CheckKind {
    Image,      // decoded pixels and colour information must be identical
    Document,   // must open and keep its page count
    Executable, // the packer's own test must pass, and unpacked it must be the original again
};

struct Verdict {
    bool keep = false;
    std::string reason; // why not, as a short phrase for the log; empty when kept
};

class ResultChecker {
public:
    virtual ~ResultChecker() = default;

    // before: the file as it was before the step; after: the step's result.
    virtual Verdict check(CheckKind kind, const std::string& before, const std::string& after) = 0;
};

// The real checks: the reference decoders for images, the PDF library for documents, and
// "upx -t" and "upx -d" for executables, run through runner.
class ContentChecker : public ResultChecker {
public:
    explicit ContentChecker(ToolRunner& runner) : runner(runner) {}
    Verdict check(CheckKind kind, const std::string& before, const std::string& after) override;

private:
    ToolRunner& runner;
};
