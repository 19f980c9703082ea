#pragma once
// What may stand in the place of a file the program keeps for itself, to
// check that it neither hangs on it nor writes through it.

#include <functional>
#include <string>

enum class HostileFile { Fifo, SymbolicLink, HardLink, Folder, OtherOwner };

inline constexpr HostileFile kHostileFiles[] = {HostileFile::Fifo, HostileFile::SymbolicLink,
                                                HostileFile::HardLink, HostileFile::Folder,
                                                HostileFile::OtherOwner};

// Puts kind at path: a link points at (or shares) the existing file victim;
// another user's file is a copy of it given to "nobody". False when kind
// cannot be made here (another owner needs root).
bool PlantHostileFile(HostileFile kind, const std::string& path, const std::string& victim);

// Runs work in a forked child; true when it ended within seconds, false (the
// child killed) when it hung.
bool EndsInChildWithin(const std::function<void()>& work, int seconds);
