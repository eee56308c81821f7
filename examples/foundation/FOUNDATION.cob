       IDENTIFICATION DIVISION.
       PROGRAM-ID. FOUNDATION.
      *> The smallest application of the runtime: initialise it, save
      *> and restore the screen, read back the settings with function
      *> 17, close down, and print what came back.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "KVINIT.CPY".
       COPY "KVFUNC.CPY".
       01  INFO-BLOCK                  PIC X(1201).
       01  INFO REDEFINES INFO-BLOCK.
           05  FILLER                  PIC X(2).
           05  INFO-INI                PIC X(255).
           05  FILLER                  PIC X(8).
           05  INFO-TITLE              PIC X(255).
           05  INFO-ABOUT-TITLE        PIC X(255).
           05  INFO-ABOUT-TEXT         PIC X(255).
           05  INFO-FONT-HEIGHT        PIC S9(4) COMP-5.
           05  INFO-FONT-WIDTH         PIC S9(4) COMP-5.
           05  FILLER                  PIC X(14).
           05  INFO-FONT-FACE          PIC X(32).
           05  FILLER                  PIC X(32).
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
           MOVE "Foundation demo" TO KV-INIT-TITLE
           MOVE "About the demo" TO KV-INIT-ABOUT-TITLE
           MOVE "A panel runtime for COBOL" TO KV-INIT-ABOUT-TEXT
           MOVE "FOUNDATION.INI" TO KV-INIT-INI-FILE
           CALL "KORVEXAN" USING KV-INIT-BLOCK OMITTED
                                 OMITTED OMITTED

           MOVE 4 TO KV-FUNCTION
           CALL "KORVEXAN" USING KV-FUNCTION KV-SCREEN-SAVE-AREA
                                 OMITTED OMITTED
           MOVE 5 TO KV-FUNCTION
           CALL "KORVEXAN" USING KV-FUNCTION KV-SCREEN-SAVE-AREA
                                 OMITTED OMITTED

           MOVE 17 TO KV-FUNCTION
           CALL "KORVEXAN" USING KV-FUNCTION INFO-BLOCK
                                 OMITTED OMITTED
           DISPLAY "Window title:   " FUNCTION TRIM(INFO-TITLE)
           DISPLAY "About box:      " FUNCTION TRIM(INFO-ABOUT-TITLE)
                   " - " FUNCTION TRIM(INFO-ABOUT-TEXT)
           DISPLAY "Window menu:    " INFO-MENU
                   "  Alt-key handling: " INFO-ALT
                   "  System menu: " INFO-SYSMENU
           MOVE INFO-X TO SHOW-NUM
           DISPLAY "Window origin: " SHOW-NUM WITH NO ADVANCING
           MOVE INFO-Y TO SHOW-NUM
           DISPLAY SHOW-NUM
           MOVE INFO-W TO SHOW-NUM
           DISPLAY "Window size:   " SHOW-NUM WITH NO ADVANCING
           MOVE INFO-H TO SHOW-NUM
           DISPLAY SHOW-NUM
           MOVE INFO-FONT-HEIGHT TO SHOW-NUM
           DISPLAY "Font height:   " SHOW-NUM

           MOVE 15 TO KV-FUNCTION
           CALL "KORVEXAN" USING KV-FUNCTION OMITTED
                                 OMITTED OMITTED
           STOP RUN.
