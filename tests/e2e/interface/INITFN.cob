       IDENTIFICATION DIVISION.
       PROGRAM-ID. INITFN.
      *> The initialisation call and the function calls that need no
      *> panel: 17 returns what initialisation stored, 18 keeps its
      *> return codes, 2/4/5/19 are accepted, 15 writes the settings.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "KVINIT.CPY".
       COPY "KVFUNC.CPY".
       01  INFO-BLOCK                  PIC X(1201).
       01  INFO REDEFINES INFO-BLOCK.
           05  FILLER                  PIC X(265).
           05  INFO-TITLE              PIC X(255).
           05  INFO-ABOUT-TITLE        PIC X(255).
           05  INFO-ABOUT-TEXT         PIC X(255).
           05  INFO-FONT-HEIGHT        PIC S9(4) COMP-5.
           05  INFO-FONT-WIDTH         PIC S9(4) COMP-5.
           05  FILLER                  PIC X(78).
           05  INFO-MENU               PIC X.
           05  INFO-ALT                PIC X.
           05  INFO-SYSMENU            PIC X.
           05  INFO-CLOSE              PIC S9(4) COMP-5.
           05  FILLER                  PIC X(3).
           05  INFO-X                  PIC S9(4) COMP-5.
           05  INFO-Y                  PIC S9(4) COMP-5.
           05  INFO-W                  PIC S9(4) COMP-5.
           05  INFO-H                  PIC S9(4) COMP-5.
           05  FILLER                  PIC X(73).
       01  SHOW-NUM                    PIC -(5)9.
       PROCEDURE DIVISION.
           MOVE "Order Entry" TO KV-INIT-TITLE
           MOVE "About Orders" TO KV-INIT-ABOUT-TITLE
           MOVE "Version 1" TO KV-INIT-ABOUT-TEXT
           MOVE "ORDERS.INI" TO KV-INIT-INI-FILE
           MOVE "1" TO KV-INIT-ALT-KEY
           MOVE 107 TO KV-INIT-CLOSE-VALUE
           CALL "KORVEXAN" USING KV-INIT-BLOCK OMITTED
                                 OMITTED OMITTED
           MOVE KV-INIT-WINDOW-X TO SHOW-NUM
           DISPLAY "init x " SHOW-NUM
           MOVE KV-INIT-WINDOW-WIDTH TO SHOW-NUM
           DISPLAY "init width " SHOW-NUM
           MOVE KV-INIT-FONT-HEIGHT TO SHOW-NUM
           DISPLAY "init font height " SHOW-NUM

           MOVE 17 TO KV-FUNCTION
           MOVE LOW-VALUES TO INFO-BLOCK
           CALL "KORVEXAN" USING KV-FUNCTION INFO-BLOCK
                                 OMITTED OMITTED
           DISPLAY "title [" FUNCTION TRIM(INFO-TITLE) "]"
           DISPLAY "about [" FUNCTION TRIM(INFO-ABOUT-TITLE) "/"
                   FUNCTION TRIM(INFO-ABOUT-TEXT) "]"
           DISPLAY "menu " INFO-MENU " alt " INFO-ALT
                   " sysmenu " INFO-SYSMENU
           MOVE INFO-CLOSE TO SHOW-NUM
           DISPLAY "close " SHOW-NUM
           MOVE INFO-W TO SHOW-NUM
           DISPLAY "width " SHOW-NUM
           MOVE INFO-FONT-HEIGHT TO SHOW-NUM
           DISPLAY "font height " SHOW-NUM

      *>   Function 18: fetch before accepting, accept, fetch with no
      *>   drop held, an unknown command.
           MOVE 18 TO KV-FUNCTION
           MOVE "F" TO KV-DROP-COMMAND
           CALL "KORVEXAN" USING KV-FUNCTION KV-DRAG-DROP
                                 OMITTED OMITTED
           DISPLAY "drop F off " KV-DROP-RC
           MOVE "Y" TO KV-DROP-COMMAND
           MOVE 20001 TO KV-DROP-KEY
           CALL "KORVEXAN" USING KV-FUNCTION KV-DRAG-DROP
                                 OMITTED OMITTED
           DISPLAY "drop Y " KV-DROP-RC
           MOVE "F" TO KV-DROP-COMMAND
           CALL "KORVEXAN" USING KV-FUNCTION KV-DRAG-DROP
                                 OMITTED OMITTED
           DISPLAY "drop F none " KV-DROP-RC
           MOVE "X" TO KV-DROP-COMMAND
           CALL "KORVEXAN" USING KV-FUNCTION KV-DRAG-DROP
                                 OMITTED OMITTED
           DISPLAY "drop X " KV-DROP-RC

           MOVE 2 TO KV-FUNCTION
           MOVE "cm" TO KV-RUNTIME-OPTIONS
           CALL "KORVEXAN" USING KV-FUNCTION KV-RUNTIME-OPTIONS
                                 OMITTED OMITTED
           MOVE 4 TO KV-FUNCTION
           CALL "KORVEXAN" USING KV-FUNCTION KV-SCREEN-SAVE-AREA
                                 OMITTED OMITTED
           MOVE 5 TO KV-FUNCTION
           CALL "KORVEXAN" USING KV-FUNCTION KV-SCREEN-SAVE-AREA
                                 OMITTED OMITTED
           MOVE 19 TO KV-FUNCTION
           CALL "KORVEXAN" USING KV-FUNCTION KV-RUNTIME-OPTIONS
                                 OMITTED OMITTED
           MOVE 15 TO KV-FUNCTION
           CALL "KORVEXAN" USING KV-FUNCTION KV-RUNTIME-OPTIONS
                                 OMITTED OMITTED
           DISPLAY "done"
           STOP RUN.
