#pragma once
// Starting the program at login: an XDG autostart entry
// ($XDG_CONFIG_HOME/autostart/org.quiben.Quiben.desktop) that runs quiben
// with this program folder. One entry per user, so the folder whose menu
// turned it on last is the one that starts.

#include <string>

class CAutostart {
public:
    // strAppDir: the program folder to start with; strProgram: full path of
    // quiben; strAutostartFolder: where the entry lies.
    CAutostart(std::string strAppDir, std::string strProgram,
               std::string strAutostartFolder = DefaultFolder());

    // $XDG_CONFIG_HOME/autostart (~/.config/autostart); empty when unknown.
    static std::string DefaultFolder();

    const std::string& EntryPath() const { return m_strEntryPath; }
    // The entry as written; empty when the folder cannot be named in one
    // (it is not valid UTF-8).
    std::string EntryText() const;

    // True when the entry exists, is not switched off (Hidden,
    // X-GNOME-Autostart-enabled) and starts this program folder.
    bool IsEnabled() const;
    // Writes or removes the entry; true when it is as asked afterwards.
    bool SetEnabled(bool bEnabled) const;

private:
    std::string ExecLine() const;

    std::string m_strAppDir;
    std::string m_strProgram;
    std::string m_strFolder;
    std::string m_strEntryPath;
};
