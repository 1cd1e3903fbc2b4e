# The Debian package of both programs, made by CPack (scripts/package builds it in Release).
# Its run-time dependencies are those dpkg-shlibdeps finds for the programs' libraries, and a
# font that the window asks for: its captions are laid out for the widths of Nimbus Sans or
# Liberation Sans, and are cut off in the wider DejaVu Sans that Debian falls back to. The
# Recommends are what the window uses without linking it: a CJK font for its Chinese texts, the
# Qt translations for the buttons of its dialogs, and xdg-open for the browser and the file
# manager.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_CONTACT "Tarvex maintainers <tarvex@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch tool that turns images into text containers and back")
# Debian wants the lines of the description within 80 columns; CPack would turn a double quote
# into a semicolon.
set(CPACK_PACKAGE_DESCRIPTION
    "Tarvex encrypts a batch of image files, or a whole folder tree, into text
containers, written into the folder encrypted beside them, and decrypts
containers back into the images, in the folder decrypted. A viewer shows the
pictures of containers without writing anything. The window speaks English and
Chinese; the console companion tarvex-cli runs the same batches without a
window.

Of its three container classes, only Protected encrypts: a key derived with
Argon2id from a passphrase of up to 1,024 bytes, and XChaCha20-Poly1305, so
that nothing but the passphrase opens a container and any change to it is
found. The picture's name, time and size are sealed inside. The Standard and
High level classes, with passwords of 5 to 10 characters, are obfuscated
copies: anyone who knows the format can restore the image without the
password.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its WebP and TIFF readers as plugins, which no library of the programs names;
# libheif1, which reads HEIC pictures, is named as well as found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-urw-base35 | fonts-liberation2 | fonts-liberation, qt6-image-formats-plugins, libheif1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei, qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# Folders that the installation creates are 0755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
tarvex_install_compressed(${PROJECT_SOURCE_DIR}/packaging/changelog ${CMAKE_INSTALL_DOCDIR})
