/* Every resource id of QV.exe, once: dialogs, controls, menus and commands, icons, bitmaps and the
   accelerator table. The .rc files and the C++ code both include this file. String ids are not
   here: the catalogue (strings.def) gives them, as the Msg enum in code.
   Plain #defines, so that the resource compiler reads them too. */
#ifndef QV_RESOURCE_H
#define QV_RESOURCE_H

/* ---- dialogs -------------------------------------------------------------------------------- */
#define IDD_ABOUT 301
#define IDD_PROPERTIES 354
#define IDD_SELECT_DEVICE 403
#define IDD_DISCONNECT 443
#define IDD_SYSTEM_PARAMETER 335
#define IDD_SWEEP 417
#define IDD_WAVE_EDITOR 315
#define IDD_SCRIPT 308
#define IDD_COMMAND_SETTING 342

/* ---- controls ------------------------------------------------------------------------------- */
/* About */
#define IDC_ABOUT_VERSION 103
#define IDC_ABOUT_PICTURE 1217
/* Properties */
#define IDC_PROPERTIES_LANGUAGE 1169
#define IDC_PROPERTIES_MODEL 1171
#define IDC_PROPERTIES_INTERFACE 1173
#define IDC_PROPERTIES_LEVEL1_TEXT 1225
#define IDC_PROPERTIES_LEVEL2_TEXT 1228
#define IDC_PROPERTIES_LEVEL1_BAR 1231
#define IDC_PROPERTIES_LEVEL2_BAR 1230
#define IDC_PROPERTIES_ONLINE_UPDATE 1163
#define IDC_PROPERTIES_HELP 1181
/* System Parameter Setting */
#define IDC_SYSPARAM_MODE 1154
#define IDC_SYSPARAM_FREQUENCY 1005
#define IDC_SYSPARAM_FREQUENCY_SPIN 1022
#define IDC_SYSPARAM_UNIT 1164
#define IDC_SYSPARAM_PERIOD 1002
#define IDC_SYSPARAM_HOTKEY 1215
#define IDC_SYSPARAM_CURSOR_CHANGE 1006
#define IDC_SYSPARAM_CURSOR_SPIN 1023
#define IDC_SYSPARAM_HELP 1181
/* Sweep */
#define IDC_SWEEP_START_FREQUENCY 1300
#define IDC_SWEEP_END_FREQUENCY 1301
#define IDC_SWEEP_STEP 1302
#define IDC_SWEEP_INTERVAL 1303
#define IDC_SWEEP_ONE_TIME 1304
#define IDC_SWEEP_LOOP 1305
#define IDC_SWEEP_SWING 1306
#define IDC_SWEEP_START 1307
/* Wave Editor (template 315): the toolbar buttons are also its commands */
#define IDC_WAVE_INDICATOR 1166
#define IDC_WAVE_HSCROLL 1034
#define IDC_WAVE_VSCROLL 1035
#define IDC_WAVE_CORNER 1036
#define IDC_WAVE_STATUS 1037
#define ID_WAVE_NEW 11000
#define ID_WAVE_OPEN 11001
#define ID_WAVE_SAVE 11002
#define ID_WAVE_CUT 11003
#define ID_WAVE_COPY 11004
#define ID_WAVE_PASTE 11005
#define ID_WAVE_PRINT 11006
#define ID_WAVE_RUN 11009
#define ID_WAVE_HELP 11010
#define ID_WAVE_SAMPLE_WIZARD 11011
#define ID_WAVE_LABEL_UNDO 11012
#define ID_WAVE_ADD_LABEL 11013
#define ID_WAVE_DELETE_LABEL 11014
#define ID_WAVE_ADD_ALL_LABELS 11015
#define ID_WAVE_DELETE_ALL_LABELS 11016
#define ID_WAVE_MODIFY_LABEL_NAME 11018
#define ID_WAVE_COMBINE 11019
#define ID_WAVE_DECOMPOSE 11020
#define ID_WAVE_ARRANGE 11021
#define ID_WAVE_ZOOM_IN 11023
#define ID_WAVE_ZOOM_OUT 11024
#define ID_WAVE_CHECK 11026
#define ID_WAVE_LOW 11028
#define ID_WAVE_HIGH 11029
#define ID_WAVE_CLOCK 11030
#define ID_WAVE_INVERT 11031
#define ID_WAVE_BUS_DATA 11032
#define ID_WAVE_SET_PARAMETER 11034
#define ID_WAVE_PROPERTIES 11035
#define ID_WAVE_LABEL_PROPERTIES 11036
#define ID_WAVE_ADD_BUS_LABEL 11037
#define ID_WAVE_COMMAND_SETTING 11038
#define ID_WAVE_STOP_RUN 11039
#define ID_WAVE_UNDO 11041
#define ID_WAVE_HIDDEN 11071
/* Command Setting: the event choices are consecutive, in the dialog's order (EventChoice) */
#define IDC_COMMAND_LIST 1138
#define IDC_COMMAND_ADDRESS 1143
#define IDC_COMMAND_LOOP_COUNT 1144
#define IDC_COMMAND_ADDRESS_SPIN 1149
#define IDC_COMMAND_LOOP_SPIN 1150
#define IDC_COMMAND_OUTPUT_ENABLE 1155
#define IDC_COMMAND_EVENT_FIRST 1410
#define IDC_COMMAND_EVENT1 1410
#define IDC_COMMAND_EVENT2 1411
#define IDC_COMMAND_EVENT3 1412
#define IDC_COMMAND_KEYBOARD_EVENT 1413
#define IDC_COMMAND_EVENT1_OR_2 1414
#define IDC_COMMAND_EVENT1_OR_3 1415
#define IDC_COMMAND_EVENT2_OR_3 1416
#define IDC_COMMAND_EVENT1_OR_2_OR_3 1417
#define IDC_COMMAND_EVENT_INVERT 1418
#define IDC_COMMAND_HELP 1181
/* Script tool (template 308): toolbar buttons 11000-11039 as the Wave Editor's, and these */
#define ID_SCRIPT_SYNTAX_CHECK 11007
#define IDC_SCRIPT_LIST 1028
#define IDC_SCRIPT_HSCROLL 1034
#define IDC_SCRIPT_VSCROLL 1035
#define IDC_SCRIPT_STATUS 1037
#define IDC_SCRIPT_SEPARATOR1 20000
#define IDC_SCRIPT_SEPARATOR2 20001
#define IDC_SCRIPT_SEPARATOR3 20002
/* Select Device */
#define IDC_DEVICE_LIST 1163
/* The main window's launcher list view */
#define IDC_LAUNCHER 100
/* Label dialogs: Add Label(s), Label Setting, the rename edit and the bus dialog (Add Bus Label,
   Group, Regroup). The colour buttons are consecutive, in palette order. */
#define IDD_ADD_LABEL 338
#define IDD_LABEL_SETTING 339
#define IDD_LABEL_NAME 340
#define IDD_BUS_LABEL 341
#define IDC_LABEL_NAME 1000
#define IDC_LABEL_CHANNEL 1001
#define IDC_LABEL_CHANNEL_SPIN 1002
#define IDC_LABEL_ADD_SINGLE 1003
#define IDC_LABEL_ADD_PODS 1004
#define IDC_LABEL_POD_FIRST 1005 /* POD A .. POD E: 1005 .. 1009 */
#define IDC_LABEL_GROUP_TYPE 1150
#define IDC_LABEL_HELP 1181
#define IDC_LABEL_COLOUR_FIRST 5000 /* 5000 .. 5015 */
#define IDC_LABEL_COLOUR_CHOSEN 5016
#define IDC_RENAME_EDIT 1077
#define IDC_BUS_NAME 1077
#define IDC_BUS_ORDER 1055
#define IDC_BUS_ORDER_LEFT 1056
#define IDC_BUS_ORDER_RIGHT 1057
#define IDC_BUS_ALL_ON 1058
#define IDC_BUS_ALL_OFF 1059
#define IDC_BUS_ORDER_SCROLL 1136
#define IDC_BUS_CHANNEL_FIRST 3000 /* channel n: 3000 + n, 0 .. 49 */

/* ---- commands: main window, system menu, accelerators ----------------------------------------- */
#define ID_QUIT 1000
/* Tool function ids: WM_COMMAND ids of the main window and each tool's caption string. */
#define ID_TOOL_WAVE_EDITOR 10003
#define ID_TOOL_SCRIPT 10004
#define ID_TOOL_SYNC_COUNTER 10005
#define ID_TOOL_ASYNC_COUNTER 10006
#define ID_TOOL_PRINTER 10007
#define ID_TOOL_RS232 10008
#define ID_TOOL_I2C 10009
#define ID_TOOL_BINARY_FILE 10010
#define ID_TOOL_TEXT_FILE 10011
#define ID_TOOL_LA_WAVEFORM 10012
#define ID_TOOL_ALTERA 10013
#define ID_TOOL_BATCH 10014
#define ID_TOOL_SPI 10015
#define ID_TOOL_VHDL 10016
#define ID_TOOL_LIN 10017
#define ID_TOOL_CAN 10018
#define ID_TOOL_HDQ 10019
#define ID_TOOL_ONE_WIRE 10020
#define ID_TOOL_I2S 10021
#define ID_TOOL_ENCODER 10022
#define ID_TOOL_USB 10023
#define ID_TOOL_SMBUS 10024
#define ID_TOOL_PMBUS 10025
#define ID_TOOL_PWM 10026
#define ID_TOOL_VCD 10027
#define ID_TOOL_DMX512 10028
/* System menu */
#define ID_PROPERTIES 10029
#define ID_ONLINE_UPDATE 10030
#define ID_ABOUT 10100
#define ID_HELP 11010

/* ---- icons ---------------------------------------------------------------------------------- */
#define IDI_PROGRAM 101
#define IDI_WAVE_EDITOR 201
#define IDI_SCRIPT 202
#define IDI_SYNC_COUNTER 203
#define IDI_ASYNC_COUNTER 204
#define IDI_PRINTER 205
#define IDI_RS232 206
#define IDI_I2C 207
#define IDI_BINARY_FILE 208
#define IDI_TEXT_FILE 209
#define IDI_LA_WAVEFORM 210
#define IDI_ALTERA 211
#define IDI_PROPERTIES 212
#define IDI_BATCH 414
#define IDI_SPI 428
#define IDI_VHDL 433
#define IDI_LIN 439
#define IDI_CAN 440
#define IDI_HDQ 448
#define IDI_ONE_WIRE 467
#define IDI_I2S 524
#define IDI_ENCODER 528
#define IDI_USB 532
#define IDI_SMBUS 547
#define IDI_PMBUS 550
#define IDI_PWM 553
#define IDI_VCD 555
#define IDI_DMX512 561
/* The busy animation: the idle icon, then the animation's seven phases. */
#define IDI_BUSY_IDLE 800
#define IDI_BUSY_1 801
#define IDI_BUSY_2 802
#define IDI_BUSY_3 803
#define IDI_BUSY_4 804
#define IDI_BUSY_5 805
#define IDI_BUSY_6 806
#define IDI_BUSY_7 807

/* ---- bitmaps -------------------------------------------------------------------------------- */
#define IDB_ABOUT_IMAGE 305
#define IDB_ABOUT_MASK 396

/* The Wave Editor's toolbar, in button order */
#define IDI_TB_NEW 900
#define IDI_TB_OPEN 901
#define IDI_TB_SAVE 902
#define IDI_TB_ZOOM_IN 903
#define IDI_TB_ZOOM_OUT 904
#define IDI_TB_LOW 905
#define IDI_TB_HIGH 906
#define IDI_TB_INVERT 907
#define IDI_TB_CLOCK 908
#define IDI_TB_BUS_DATA 909
#define IDI_TB_COMMAND 910
#define IDI_TB_CHECK 911
#define IDI_TB_RUN 912
#define IDI_TB_STOP 913
#define IDI_TB_PARAMETER 914
#define IDI_TB_HELP 915
#define IDI_TB_PRINT 916
#define IDI_TB_WIZARD 917
#define IDI_TB_CUT 918
#define IDI_TB_COPY 919
#define IDI_TB_PASTE 920
#define IDI_TB_SYNTAX 921

/* ---- accelerators --------------------------------------------------------------------------- */
#define IDR_ACCELERATORS 103

/* ---- Wave Editor editing dialogs: Set Clock (330), Data Setting (334), Sample Wizard (422) ---- */
#define IDD_SET_CLOCK 330
#define IDD_BUS_DATA 334
#define IDD_SAMPLE_WIZARD 422
#define IDC_CLOCK_MULTIPLIER 1003
#define IDC_CLOCK_START_VALUE 1004
#define IDC_CLOCK_MARK_START 1006
#define IDC_CLOCK_MARK_END 1007
#define IDC_CLOCK_PERIOD 1009
#define IDC_CLOCK_FREQUENCY 1010
#define IDC_CLOCK_START_SPIN 1037
#define IDC_CLOCK_MULTIPLIER_SPIN 1038
#define IDC_CLOCK_HELP 1181
#define IDC_BUS_MULTIPLIER 1003
#define IDC_BUS_START_VALUE 1004
#define IDC_BUS_PATH 1005
#define IDC_BUS_DURATION 1006
#define IDC_BUS_INTERVAL 1007
#define IDC_BUS_INCREMENT 1008
#define IDC_BUS_PERIOD 1009
#define IDC_BUS_START_SPIN 1037
#define IDC_BUS_INCREMENT_SPIN 1038
#define IDC_BUS_MULTIPLIER_SPIN 1073
#define IDC_BUS_RADIX_FIRST 1040 /* HEX, DEC, BIN, OCT in this order */
#define IDC_BUS_HEX 1040
#define IDC_BUS_DEC 1041
#define IDC_BUS_BIN 1042
#define IDC_BUS_OCT 1043
#define IDC_BUS_COUNTER 1044
#define IDC_BUS_FILE 1045
#define IDC_BUS_BROWSE 1046
#define IDC_BUS_HELP 1181
#define IDC_WIZARD_SYNC 1047
#define IDC_WIZARD_ASYNC 1048
/* ---- generators: the controls their templates share, then each tool's own ---------------------- */
#define IDC_GEN_BROWSE 3
#define IDC_GEN_RATE 1005
#define IDC_GEN_RATE_SPIN 1022
#define IDC_GEN_RATE_UNIT 1164
#define IDC_GEN_STATUS 1166
#define IDC_GEN_REPEAT 1014
#define IDC_GEN_HELP 1181
#define IDC_GEN_CLEAR 1287
/* SPI (425) and its Example (426) */
#define IDD_SPI 425
#define IDD_SPI_EXAMPLE 426
#define IDC_SPI_CS 1256
#define IDC_SPI_CLOCK 1255
#define IDC_SPI_DATA_CHANNEL 1190
#define IDC_SPI_LOW_ACTIVE 1257
#define IDC_SPI_HIGH_ACTIVE 1260
#define IDC_SPI_RISING_EDGE 1258
#define IDC_SPI_FALLING_EDGE 1259
#define IDC_SPI_WIDTH 1004
#define IDC_SPI_WIDTH_SPIN 1262
#define IDC_SPI_COUNT 1276
#define IDC_SPI_RANDOM_MANUAL 1162
#define IDC_SPI_MSB 1263
#define IDC_SPI_LSB 1264
#define IDC_SPI_FILE_SOURCE 1234
#define IDC_SPI_FILE 1265
#define IDC_SPI_BROWSE 3
#define IDC_SPI_EDIT_SOURCE 1016
#define IDC_SPI_HEX 1069
#define IDC_SPI_ASCII 1280
#define IDC_SPI_RANDOM_SOURCE 1015
#define IDC_SPI_GENERATE 1495
#define IDC_SPI_TEXT 1012
#define IDC_SPI_RUN 1001
#define IDC_SPI_STOP 1017
#define IDC_SPI_EXIT 1020
#define IDC_SPI_EXAMPLE 1182
#define IDC_SPI_CONVERT 1493
#define IDC_SPI_EXAMPLE_RANDOM 1300
#define IDC_SPI_EXAMPLE_EDIT_HEX 1301
#define IDC_SPI_EXAMPLE_EDIT_TEXT 1302
/* UART (306) */
#define IDD_UART 306
#define IDC_UART_BAUD 1002
#define IDC_UART_PARITY 1003
#define IDC_UART_DATA_BITS 1004
#define IDC_UART_STOP_BITS 1005
#define IDC_UART_PORT 1006
#define IDC_UART_FORMAT 1008
#define IDC_UART_SYNC 1013
#define IDC_UART_SYNC_CHANNEL 1000
#define IDC_UART_SYNC_SPIN 1167
#define IDC_UART_FILE 1001
#define IDC_UART_BROWSE 3
#define IDC_UART_LOAD 1010
#define IDC_UART_TEXT 1012
#define IDC_UART_SECTION 1015
#define IDC_UART_RUN 1016
#define IDC_UART_STOP 1023
#define IDC_UART_EXIT 1
/* I2C (373) */
#define IDD_I2C 373
#define IDC_I2C_DEFAULT_OUT 1161
#define IDC_I2C_CUSTOM_OUT 1162
#define IDC_I2C_NONE_HIZ 1163
#define IDC_I2C_SCL 1199
#define IDC_I2C_SDA 1198
#define IDC_I2C_WAIT_EVENT 1165
#define IDC_I2C_FILE 1197
#define IDC_I2C_OPEN 3
#define IDC_I2C_SAVE 1474
#define IDC_I2C_7BIT 1471
#define IDC_I2C_7BIT_RW 1472
#define IDC_I2C_10BIT 1292
#define IDC_I2C_TEXT 1295
#define IDC_I2C_SAMPLE 1296
#define IDC_I2C_RUN 1016
#define IDC_I2C_STOP 1023
#define IDC_I2C_EXIT 1
#define IDC_I2C_CONVERT 2
/* The list-based generators share their list editing and file controls */
#define IDC_GEN_ADD 1003
#define IDC_GEN_INSERT 1018
#define IDC_GEN_MODIFY 1019
#define IDC_GEN_DELETE 1004
#define IDC_GEN_LIST_FILE 1265
#define IDC_GEN_EXPORT 1339
#define IDC_GEN_IMPORT 1340
#define IDC_GEN_RUN 1016
#define IDC_GEN_STOP 1017
#define IDC_GEN_EXIT 1020
/* CAN (441) */
#define IDD_CAN 441
#define IDC_CAN_11BITS 1235
#define IDC_CAN_29BITS 1236
#define IDC_CAN_ID 1309
#define IDC_CAN_CHECK_ID 1341
#define IDC_CAN_RANDOM_ID 1345
#define IDC_CAN_DATA_FRAME 1342
#define IDC_CAN_REMOTE_FRAME 1343
#define IDC_CAN_RTR 1354
#define IDC_CAN_DLC 1344
#define IDC_CAN_DLC_SPIN 1364
#define IDC_CAN_RANDOM_DATA 1015
#define IDC_CAN_D1 1346
#define IDC_CAN_CRC 1355
#define IDC_CAN_CALC_CRC 1360
#define IDC_CAN_CRC_DELIMITER 1367
#define IDC_CAN_ACK 1312
#define IDC_CAN_IS 1313
#define IDC_CAN_RANDOM_IS 1319
#define IDC_CAN_HIGH 1363
#define IDC_CAN_LOW 1362
#define IDC_CAN_CHANNEL_SPIN 1365
#define IDC_CAN_LIST 1366
#define IDC_CAN_BIT_STUFFING 1163
/* LIN (437) */
#define IDD_LIN 437
#define IDC_LIN_MESSAGE 1235
#define IDC_LIN_WAKE_UP 1332
#define IDC_LIN_SLEEP 1333
#define IDC_LIN_BREAK 1307
#define IDC_LIN_DELIMITER 1308
#define IDC_LIN_ID 1309
#define IDC_LIN_ID_SPIN 1316
#define IDC_LIN_P0 1310
#define IDC_LIN_P1 1313
#define IDC_LIN_NDATA 1311
#define IDC_LIN_CALCULATE 1335
#define IDC_LIN_DATA 1190
#define IDC_LIN_RANDOM_DATA 1015
#define IDC_LIN_CLASSIC 1234
#define IDC_LIN_ENHANCED 1236
#define IDC_LIN_CHECKSUM 1325
#define IDC_LIN_CALC_CHECKSUM 1336
#define IDC_LIN_WAKE_UP_DELIMITER 1329
#define IDC_LIN_RANDOM_DELIMITER 1319
#define IDC_LIN_RATE_SPIN 1324
#define IDC_LIN_CHANNEL 1006
#define IDC_LIN_CHANNEL_SPIN 1331
#define IDC_LIN_LIST 1318

/* VCD import (556) and VHDL test bench import (434): the same controls */
#define IDD_VCD_IMPORT 556
#define IDD_VHDL_IMPORT 434
#define IDC_IMPORT_FILE 1001
#define IDC_IMPORT_BROWSE 3
#define IDC_IMPORT_LOAD 1161
#define IDC_IMPORT_CANCEL_LOADING 1162
#define IDC_IMPORT_LIST 1159
#define IDC_IMPORT_REPEAT 1014
#define IDC_IMPORT_WAIT_KEY 1166
#define IDC_IMPORT_CONVERT 2
#define IDC_IMPORT_CANCEL 1
#define IDC_IMPORT_HELP 1181

/* Batch output (415) */
#define IDD_BATCH 415
#define IDC_BATCH_LIST 1232
#define IDC_BATCH_ADD 1003
#define IDC_BATCH_REMOVE 1004
#define IDC_BATCH_REMOVE_ALL 1007
#define IDC_BATCH_UP 1005
#define IDC_BATCH_DOWN 1006
#define IDC_BATCH_INTERVAL_MODE 1233
#define IDC_BATCH_INTERVAL 1214
#define IDC_BATCH_MANUAL 1017
#define IDC_BATCH_LOOP 1163
#define IDC_BATCH_RUN 1016
#define IDC_BATCH_STOP 1023
#define IDC_BATCH_HELP 1181
#define IDC_BATCH_EXIT 1

/* Print (376) and Clipboard Size (378) */
#define IDD_PRINT 376
#define IDC_PRINT_NAME 1140
#define IDC_PRINT_SELECT 1083
#define IDC_PRINT_ALL 1141
#define IDC_PRINT_SELECTED_CHANNEL 1150
#define IDC_PRINT_MARK_AREA 1149
#define IDC_PRINT_FIT_TO_PAPER 1145
#define IDC_PRINT_FIT_TO_HORZ 1146
#define IDC_PRINT_FIT_TO_VERT 1147
#define IDC_PRINT_CUSTOM_SIZE 1148
#define IDC_PRINT_HORZ_SIZE 1151
#define IDC_PRINT_VERT_SIZE 1152
#define IDC_PRINT_GRID_SIZE 1153
#define IDC_PRINT_COLOUR 1162
#define IDC_PRINT_TO_CLIPBOARD 1164
#define IDC_PRINT_SIZE 1199
#define IDC_PRINT_TO_BMP 1165
#define IDC_PRINT_HELP 1181
#define IDD_CLIPBOARD_SIZE 378
#define IDC_CLIPBOARD_WIDTH 1200
#define IDC_CLIPBOARD_HEIGHT 1022
/* Text File to Waveform (10011) and Altera's Waveform to QV's Waveform (10013); the file field,
   Browse, Load, list, Repeat, Wait Key, Convert, Cancel and Help are the IDC_IMPORT_ ids */
#define IDD_TEXT_VECTOR 380
#define IDC_TV_FILE_PROMPT 1222
#define IDC_TV_CUSTOM_FREQUENCY 1171
#define IDC_TV_FREQUENCY 1164
#define IDC_TV_FREQUENCY_SPIN 1173
#define IDC_TV_FREQUENCY_UNIT 1172
 
// Sync Counter (307) and Async Counter (393): one layout each, the same control ids; the frequency
// is the generators' rate entry (IDC_GEN_RATE 1005, its spin 1022, its unit button 1164).
#define IDD_SYNC_COUNTER 307
#define IDD_ASYNC_COUNTER 393
#define IDC_COUNTER_EXIT 1
#define IDC_COUNTER_WIDTH 1000
#define IDC_COUNTER_START 1001
#define IDC_COUNTER_END 1002
#define IDC_COUNTER_INCREMENT 1003
#define IDC_COUNTER_START_CHANNEL 1004
#define IDC_COUNTER_SECTION 1015
#define IDC_COUNTER_RUN 1016
#define IDC_COUNTER_WIDTH_SPIN 1017
#define IDC_COUNTER_START_SPIN 1018
#define IDC_COUNTER_END_SPIN 1019
#define IDC_COUNTER_INCREMENT_SPIN 1020
#define IDC_COUNTER_CHANNEL_SPIN 1021
#define IDC_COUNTER_STOP 1023
#define IDC_COUNTER_DELAY 1214
#define IDC_COUNTER_BINARY 1242
#define IDC_COUNTER_GRAY 1243

/* HDQ (10019, template 449) with its Modify dialog (462), and 1-Wire (10020, template 468) with its
   Edit dialog (495); Run, Stop, Repeat, Help, Exit, the rate edit and the status icon are the
   IDC_GEN_ ids, the 1-Wire Delete, Append, Modify, Export and Import too. */
#define IDD_HDQ 449
#define IDD_HDQ_MODIFY 462
#define IDC_HDQ8 1305
#define IDC_HDQ16 1306
#define IDC_HDQ_ADDRESS 1309
#define IDC_HDQ_DATA 1311
#define IDC_HDQ_ADDRESS_SPIN 1312
#define IDC_HDQ_DATA_SPIN 1313
#define IDC_HDQ_RATE_SPIN 1314
#define IDC_HDQ_LIST 1315
#define IDC_HDQ_WRITE 1234
#define IDC_HDQ_READ 1235
#define IDC_HDQ_ADD 1162
#define IDC_HDQ_DELETE 1163
#define IDC_HDQ_APPEND 1322
#define IDC_HDQ_MODIFY 1161
#define IDC_HDQ_EXPORT 1323
#define IDC_HDQ_IMPORT 1324
#define IDC_HDQ_CHANNEL 1006
#define IDC_HDQ_CHANNEL_SPIN 1325
#define IDC_HDQ_MODIFY_DATA 1328
#define IDC_HDQ_MODIFY_ADDRESS 1329
#define IDD_ONE_WIRE 468
#define IDD_ONE_WIRE_EDIT 495
#define IDC_OW_ADD 1338
#define IDC_OW_CHANNEL 1341
#define IDC_OW_CHANNEL_SPIN 1342
#define IDC_OW_SPEED 1344
#define IDC_OW_LIST 1345
#define IDC_OW_EDIT_WRITE 1350
#define IDC_OW_EDIT_READ 1351
#define IDC_OW_EDIT_DATA 1352
#define ID_LIST_MENU_DELETE 11046
#define ID_LIST_MENU_APPEND 11047
#define ID_LIST_MENU_MODIFY 11048

#endif
