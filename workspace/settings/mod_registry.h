#pragma once
// Registration of the program's document type with the shell, rewritten at every start so that it
// always points at the program that ran last.

namespace modRegistry {

// The document type "ImageLumivex.Application.1" (name, open and edit commands, current version,
// icon) and the album extension ".kvt". Keys that can be neither opened nor created are skipped;
// nothing is reported.
void fnRegisterDocType();

}  // namespace modRegistry
