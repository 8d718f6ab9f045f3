// The built Windows program, read once for the whole test run.
#pragma once

#include <string>

#include "support/pe_reader.h"

// Null when the file cannot be read; error then says why.
inline const pe::Image* BuiltProgram(std::string& error)
{
    static pe::Image image;
    static std::string loadError;
    static const bool loaded = pe::load(MASTERINSTALL_EXE, image, loadError);
    error = loadError;
    return loaded ? &image : nullptr;
}
