# The music player against stand-in audio libraries: a fake that records its
# calls, the same fake as libraries were before seeking (without the transport
# operations), and one that lacks the operations the player calls.
add_library(fake_audio MODULE FakeAudioLibrary.cpp)
target_compile_definitions(fake_audio PRIVATE FAKE_AUDIO_TRANSPORT)
add_library(old_fake_audio MODULE FakeAudioLibrary.cpp)
add_library(incomplete_audio MODULE IncompleteAudioLibrary.cpp)
add_library(writing_audio MODULE FakeAudioLibrary.cpp)
target_compile_definitions(writing_audio PRIVATE FAKE_AUDIO_TRANSPORT FAKE_AUDIO_WRITES)
set_target_properties(fake_audio old_fake_audio incomplete_audio writing_audio PROPERTIES
                      CXX_VISIBILITY_PRESET hidden)
solvane_test(sound_player_tests SOURCES SoundPlayerTest.cpp LIBS solvane_sound solvane_test_support)
# The real library too, whole and damaged, for what the loader is handed.
add_dependencies(sound_player_tests fake_audio old_fake_audio incomplete_audio solvane_audio)
target_compile_definitions(sound_player_tests PRIVATE
  FAKE_AUDIO_PATH="$<TARGET_FILE:fake_audio>" OLD_FAKE_AUDIO_PATH="$<TARGET_FILE:old_fake_audio>"
  INCOMPLETE_AUDIO_PATH="$<TARGET_FILE:incomplete_audio>"
  AUDIO_MODULE_PATH="$<TARGET_FILE:solvane_audio>")

# The demo with the real audio library and a small MP3, on SDL's disk driver.
solvane_test(sound_demo_tests SOURCES SoundDemoTest.cpp LIBS solvane_demo solvane_test_support)
add_dependencies(sound_demo_tests solvane_audio)
target_compile_definitions(sound_demo_tests PRIVATE
  AUDIO_MODULE_PATH="$<TARGET_FILE:solvane_audio>"
  TONE_MP3_PATH="${CMAKE_CURRENT_SOURCE_DIR}/data/tone.mp3")
