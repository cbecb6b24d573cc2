#pragma once

#include <string>
#include <string_view>

namespace torvane::test {

// The bodies of the four blocks of a template header; each defaults to one positioned byte.
struct TemplateBodies {
    std::string tp = "UINT8 tp_id /*#pos:1@*/;";
    std::string sat = "UINT8 sat_id /*#pos:1@*/;";
    std::string prog = "UINT8 prog_id /*#pos:1@*/;";
    std::string defProg = "UINT8 def_id;";
};

inline std::string BlockText(std::string_view marker, std::string_view body)
{
    return "typedef struct\n" + std::string(marker) + "\n{\n" + std::string(body) + "\n} NODE;\n\n";
}

// A header with the four blocks in the usual order.
inline std::string TemplateText(const TemplateBodies& bodies)
{
    return BlockText("/*#tp_node@*/", bodies.tp) + BlockText("/*#sat_node@*/", bodies.sat)
        + BlockText("/*#prog_node@*/", bodies.prog) + BlockText("/*#def_prog_node@*/", bodies.defProg);
}

inline std::string TemplateWithTp(std::string_view tpBody)
{
    TemplateBodies bodies;
    bodies.tp = std::string(tpBody);
    return TemplateText(bodies);
}

} // namespace torvane::test
