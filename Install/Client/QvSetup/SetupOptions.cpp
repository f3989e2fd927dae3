#include "SetupOptions.h"

#include "CmdLineParser.h"

CSetupOptions ReadSetupOptions(const CCmdLineParser& parser)
{
    CSetupOptions options;
    options.sccm = parser.HasOption(SetupOptionName::kSccm);
    options.script = parser.HasOption(SetupOptionName::kScript);
    options.groupPolicy = parser.HasOption(SetupOptionName::kGroupPolicy);
    options.jcsf = parser.HasOption(SetupOptionName::kJcsf);
    if (const wchar_t* source = parser.GetOptionValue(SetupOptionName::kSource))
        options.source = source;
    return options;
}
