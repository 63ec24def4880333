#include "engine/tools.h"

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

bool isStandIn(const Tool& tool)
{
    for (const Tool* other : allTools())
        if (other->standIn == &tool)
            return true;
    return false;
}
