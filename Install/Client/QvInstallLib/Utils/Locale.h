#pragma once

// Makes the named locale ("es-ES") the calling thread's locale and user-
// interface language, so that string and dialog resources, and the system's
// messages, come in that language from here on. A name that the system does
// not know changes nothing, and so does a null name; no result is reported.
void SetLocale(const wchar_t* localeName);
