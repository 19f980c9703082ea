# The Debian package: `cpack -G DEB` in the build folder (scripts/package).
# It holds what `cmake --install` installs, under /usr; its dependencies are
# read from the libraries the programs link (dpkg-shlibdeps), so they follow
# whatever the build machine's libraries are.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quiben)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quiben")
set(CPACK_PACKAGE_CONTACT "Quiben <qb@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "forwards new POP3 mail to other addresses over SMTP")
# (Lines of the long description stay short, as dpkg shows them.)
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Quiben fetches a POP3 mailbox every few minutes (the mail stays on the\n"
       "server), skips what it already forwarded, tests each newer message\n"
       "against the user's rules (sender texts, subject texts, no attachments,\n"
       "a byte limit) and sends a short summary of each passing message over\n"
       "SMTP to every address of a list, typically a mobile phone.\n"
       "It runs as a small shaped desktop window with a Japanese user interface,\n"
       "or without a window from a systemd user timer or cron.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.com/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Japanese text needs a font that has it; mail over TLS needs the
# certificate authorities.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates, fonts-ipafont-gothic | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "systemd")
include(CPack)
