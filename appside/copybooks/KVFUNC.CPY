      *> Function-call number and the common parameter blocks.
      *> CALL "KORVEXAN" USING KV-FUNCTION <block> <block> <block>.
       01  KV-FUNCTION                 PIC S9(4) COMP-5 VALUE 0.
       01  KV-SCREEN-SAVE-AREA.
           05  KV-SAVE-ROWS            PIC S9(4) COMP-5.
           05  KV-SAVE-COLS            PIC S9(4) COMP-5.
           05  FILLER                  PIC X(16).
           05  KV-SAVE-CELLS           PIC X(8000).
       01  KV-RUNTIME-OPTIONS          PIC X(15) VALUE SPACES.
       01  KV-DRAG-DROP.
           05  KV-DROP-COMMAND         PIC X.
           05  KV-DROP-KEY             PIC S9(9) COMP-5.
           05  FILLER                  PIC X(4).
           05  KV-DROP-COUNT           PIC S9(9) COMP-5.
           05  KV-DROP-INDEX           PIC S9(9) COMP-5.
           05  KV-DROP-RC              PIC XX.
           05  KV-DROP-NAME            PIC X(1024).
      *> Filler for the arguments a call does not use.
       01  KV-UNUSED                   PIC X.
