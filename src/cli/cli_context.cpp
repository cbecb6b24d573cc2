#include "cli/cli_context.h"

#include <string>

namespace torvane {

std::string UnknownProjectTypeText(std::string_view name)
{
    return "unknown project type \"" + std::string(name) + "\" (ZUV_DVBS_V1, ZUV_DVBS_V2 or ZUV_DVBS_V4)";
}

CliContext::CliContext(ProjectConfig config, std::optional<ProjectType> projectType, CliPrompts& prompts)
    : m_config(std::move(config)), m_projectType(projectType), m_prompts(prompts)
{
    if (m_projectType)
        m_config.SetType(*m_projectType);
}

std::optional<ProjectType> CliContext::ResolveProjectType()
{
    if (!m_projectType) {
        m_projectType = m_config.ReadProjectTypeFile();
        if (!m_projectType) {
            Fail("no project type: \"" + m_config.ConfigIniPath()
                 + "\" names none; give --project-type ZUV_DVBS_V1|ZUV_DVBS_V2|ZUV_DVBS_V4");
            return std::nullopt;
        }
        m_config.SetType(*m_projectType);
    }
    return m_projectType;
}

bool CliContext::LoadCompiledTemplate(NodeSchema& schema)
{
    return m_config.LoadCompiledTemplate(schema, m_prompts);
}

void CliContext::Fail(std::string_view text)
{
    m_prompts.Message("torvane-cli: " + std::string(text));
}

void CliContext::Warn(std::string_view text)
{
    m_prompts.Message("torvane-cli: warning: " + std::string(text));
}

} // namespace torvane
