// The rows of what the engine runs: the tools, the steps that run them, and the kinds of file
// with the steps each gets. A tool or step that only its rows here name stays local to this file;
// adding a kind of file is rows here (and, for a new format, its check in image/).
#include "engine/file_kinds.h"
#include "engine/steps.h"
#include "engine/tools.h"
#include "engine/tool_runner.h"
#include "image/image_check.h"
#include "image/strip_arguments.h"

// The tools, each once; allTools() gives their order. Rows that no header declares are local
// to this file (const objects are, unless declared extern).
const Tool zopflipngTool{"zopflipng", "zopflipng", {}};
const Tool pngcrushTool{"pngcrush", "pngcrush.exe", {"-version"}};
const Tool optipngTool{"OptiPNG", "OptiPNG", {"-v"}};
const Tool pngoutTool{"pngout", "pngout", {}, &zopflipngTool};
const Tool exiftoolTool{"exiftool", "exiftool", {"-ver"}};
const Tool upxTool{"upx", "upx.exe", {"--version"}};
const Tool jpegtranTool{"jpegtran", "jpegtran", {"-version"}};
const Tool gifsicleTool{"gifsicle", "gifsicle", {"--version"}};
const Tool qpdfTool{"qpdf", "qpdf", {"--version"}};

const std::vector<const Tool*>& allTools()
{
    static const std::vector<const Tool*> tools{&pngcrushTool, &optipngTool, &pngoutTool,
                                                &exiftoolTool, &upxTool,     &jpegtranTool,
                                                &gifsicleTool, &qpdfTool,    &zopflipngTool};
    return tools;
}

namespace {

// exiftool's arguments for a strip that keeps what the image needs to look right; an argument
// with characters the interpreter would read is quoted.
std::string stripOptions()
{
    std::string options = "-overwrite_original";
    for (const std::string& argument : stripArguments()) {
        options += ' ';
        const bool plain = argument.find_first_of(" \t\"<>|&^%") == std::string::npos;
        options += plain ? argument : quoteArgument(argument);
    }
    return options;
}

// zopflipng keeps only the chunks a picture cannot do without unless told otherwise: these are
// the ones that change how it looks (colour, orientation, physical size) and the text a user
// who does not strip asked to keep. Never the lossy options: the result must be the same image.
const char* const zopflipngOptions = "-y --keepchunks=iCCP,sRGB,gAMA,cHRM,cICP,mDCv,cLLi,eXIf,"
                                     "pHYs,tEXt,zTXt,iTXt,tIME";

const char* encryptedPdf(const std::string& path)
{
    // Rewriting it would need its password, and a result that drops the encryption would hand
    // out what its author locked.
    return isEncryptedPdf(path) ? "the document is encrypted" : nullptr;
}

} // namespace

const Step stripStep{"     Stripping MetaData... ", &exiftoolTool, stripOptions(),
                     StepOutput::InPlace, nullptr};
const Step crushStep{"     Pass 1/3... ", &pngcrushTool, "-brute -reduce", StepOutput::NewFile,
                     "_pngcrush.png"};
const Step optimizeStep{"     Pass 2/3... ", &optipngTool, "-o7", StepOutput::InPlace, nullptr};
// Full spends more iterations (-m): on screenshots they saved 19% where the plain run saved 15%,
// for about 60% more time, and no kind of image saved less.
const Step finalPassStandIn{"     Pass 3/3... ", &zopflipngTool,
                            std::string(zopflipngOptions) + " -m", StepOutput::NewFile,
                            "_zopfli.png"};
// Fast runs it plainly: alone it saves nearly as much as the whole Full chain in about a quarter
// of the time, where its quick mode saved less than half of that.
const Step fastStandIn{"     Fast Compression... ", &zopflipngTool, zopflipngOptions,
                       StepOutput::NewFile, "_zopfli.png"};
const Step finalPassStep{"     Pass 3/3... ", &pngoutTool, "",
                         StepOutput::InPlace, nullptr,     &finalPassStandIn};
const Step fastStep{"     Fast Compression... ", &pngoutTool, "",
                    StepOutput::InPlace,         nullptr,     &fastStandIn};
const Step packStep{"     Compressing... ", &upxTool, "", StepOutput::InPlace, nullptr};

// -copy all keeps what the strip kept (or, with Strip off, everything): the profile and the
// orientation above all. Progressive coding is smaller for most photos but not for all.
const Step jpegStep{.label = "     Optimizing JPEG... ",
                    .tool = &jpegtranTool,
                    .options = "-copy all -optimize",
                    .output = StepOutput::NewFile,
                    .newFileSuffix = nullptr,
                    .outputOption = "-outfile",
                    .alternatives = {"-copy all -optimize -progressive"}};
// Comments and extensions stay unless the strip removed them.
const Step gifStep{.label = "     Optimizing GIF... ",
                   .tool = &gifsicleTool,
                   .options = "-O3",
                   .output = StepOutput::NewFile,
                   .newFileSuffix = nullptr,
                   .outputOption = "-o"};
const Step pdfStep{.label = "     Optimizing PDF... ",
                   .tool = &qpdfTool,
                   .options = "--recompress-flate --compression-level=9 --object-streams=generate",
                   .output = StepOutput::NewFile,
                   .newFileSuffix = nullptr,
                   .refusal = encryptedPdf};

const std::vector<KindStep>& pngPasses()
{
    static const std::vector<KindStep> passes{
        {&crushStep, StepGate::WhenFull, AfterStop::EndSteps},
        {&optimizeStep, StepGate::WhenFull, AfterStop::EndSteps},
        {&finalPassStep, StepGate::Always, AfterStop::GoOn, &fastStep},
    };
    return passes;
}

const std::vector<FileKind>& fileKinds()
{
    static const std::vector<KindStep> pngSteps = [] {
        std::vector<KindStep> steps{{&stripStep, StepGate::WhenStrip, AfterStop::EndFileQuietly}};
        steps.insert(steps.end(), pngPasses().begin(), pngPasses().end());
        return steps;
    }();
    const KindStep strip{&stripStep, StepGate::WhenStrip, AfterStop::GoOn};
    auto optimizedBy = [](const Step& step) {
        return KindStep{&step, StepGate::WhenOption, AfterStop::GoOn, nullptr, Option::Optimize};
    };
    static const std::vector<FileKind> kinds{
        {"PNG", {".png"}, Option::Pngs, pngSteps, CheckKind::Image},
        {"TIFF", {".tif", ".tiff"}, Option::Tifs, {strip}, CheckKind::Image},
        {"JPEG", {".jpeg", ".jpg"}, Option::Jpgs, {strip, optimizedBy(jpegStep)}, CheckKind::Image},
        {"PDF", {".pdf"}, Option::Pdfs, {strip, optimizedBy(pdfStep)}, CheckKind::Document},
        {"GIF", {".gif"}, Option::Gifs, {strip, optimizedBy(gifStep)}, CheckKind::Image},
        {"EXE",
         {".exe", ".dll"},
         Option::Apps,
         {{&packStep, StepGate::Always, AfterStop::GoOn}},
         CheckKind::Executable},
    };
    return kinds;
}
