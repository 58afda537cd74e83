lumora_add_test(test_picturelistmodel SOURCES maker/test_picturelistmodel.cpp)
lumora_add_test(test_listmoves SOURCES maker/test_listmoves.cpp)
lumora_add_test(test_makerart SOURCES maker/test_makerart.cpp)
