#pragma once
// Forwarding without a desktop: a systemd user service that runs
// `quiben --once --home DIR` and a timer that starts it at the program
// folder's interval. Both units are named after the program folder
// (quiben-<folder as systemd-escape --path writes it>), so every folder can
// have a timer of its own.

#include <string>

class CUserTimer {
public:
    // strAppDir: the program folder, absolute and normalised; strProgram:
    // full path of quiben; strUnitFolder: where the units lie.
    CUserTimer(std::string strAppDir, std::string strProgram,
               std::string strUnitFolder = DefaultFolder());

    // $XDG_CONFIG_HOME/systemd/user (~/.config/systemd/user); empty when
    // unknown.
    static std::string DefaultFolder();
    // The interval for RECV / TIMEUP in milliseconds: whole seconds, at
    // least 60 (a cycle every few seconds would only burden the servers).
    static int IntervalSeconds(int nTimeUp);

    // "quiben-<escaped folder>"; for a folder too long for a unit name,
    // "quiben-" and a 16-digit hash of it.
    const std::string& UnitName() const { return m_strUnitName; }
    std::string ServiceName() const { return m_strUnitName + ".service"; }
    std::string TimerName() const { return m_strUnitName + ".timer"; }
    std::string ServicePath() const;
    std::string TimerPath() const;

    std::string ServiceText() const;
    std::string TimerText(int nIntervalSeconds) const;

    // Writes both units; false when either cannot be written.
    bool Write(int nIntervalSeconds) const;
    // True when either unit exists.
    bool IsWritten() const;
    // Removes both units; false when one remains.
    bool Remove() const;

private:
    std::string m_strAppDir;
    std::string m_strProgram;
    std::string m_strFolder;
    std::string m_strUnitName;
};
