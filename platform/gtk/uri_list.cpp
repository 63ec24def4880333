#include "platform/gtk/uri_list.h"

#include <glib.h>

namespace gtkdisplay {

std::vector<std::string> localPathsFromUriList(std::string_view uriList)
{
    std::vector<std::string> paths;
    std::size_t at = 0;
    while (at < uriList.size()) {
        std::size_t end = uriList.find('\n', at);
        if (end == std::string_view::npos)
            end = uriList.size();
        std::string line(uriList.substr(at, end - at));
        at = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\0'))
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        // g_filename_from_uri takes only local file:// URIs and undoes the percent-encoding.
        gchar* path = g_filename_from_uri(line.c_str(), nullptr, nullptr);
        if (path) {
            paths.emplace_back(path);
            g_free(path);
        }
    }
    return paths;
}

} // namespace gtkdisplay
