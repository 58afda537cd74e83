lumora_add_test(test_folderlisting SOURCES platform/test_folderlisting.cpp)
set(MUSIC_FIXTURES platform/MusicFiles.cpp platform/MusicFiles.h platform/DiskOutput.cpp platform/DiskOutput.h)

lumora_add_test(test_music SOURCES platform/test_music.cpp ${MUSIC_FIXTURES} TIMEOUT 180)

# No usable sound output, two ways: SDL has no such driver; the driver loads but the device does not
# open, as on a machine without a sound card.
lumora_add_test(test_music_no_driver SOURCES platform/test_music_noaudio.cpp ${MUSIC_FIXTURES} TIMEOUT 60
    ENV "SDL_AUDIODRIVER=nonexistent")
lumora_add_test(test_music_no_device SOURCES platform/test_music_noaudio.cpp ${MUSIC_FIXTURES} TIMEOUT 60
    ENV "SDL_AUDIODRIVER=alsa;AUDIODEV=hw:99,0")

# The tests look at the mixer themselves; the program only loads it when music plays.
foreach(t test_music test_music_no_driver test_music_no_device)
    target_link_libraries(${t} PRIVATE PkgConfig::SDL2_MIXER)
endforeach()

lumora_add_test(test_programfolder SOURCES platform/test_programfolder.cpp)
lumora_add_test(test_nativename SOURCES platform/test_nativename.cpp TIMEOUT 30)
lumora_add_test(test_screensaver SOURCES platform/test_screensaver.cpp TIMEOUT 60)
lumora_add_test(test_screensaver_no_bus SOURCES platform/test_screensaver.cpp TIMEOUT 60
    ENV "LUMORA_TEST_NO_BUS=1;DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus")
lumora_add_test(test_droppedfiles SOURCES platform/test_droppedfiles.cpp)
lumora_add_test(test_termination SOURCES platform/test_termination.cpp TIMEOUT 120)
lumora_add_test(test_windowmemory SOURCES platform/test_windowmemory.cpp)
lumora_add_test(test_sharedprocessors SOURCES platform/test_sharedprocessors.cpp)
