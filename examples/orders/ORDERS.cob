       IDENTIFICATION DIVISION.
       PROGRAM-ID. ORDERS.
      *> Order entry: the demo application of the panel runtime.
      *> One order panel (numbers through edit masks, a date in the
      *> country's order, a value list, required fields, a menu line of
      *> function keys) and a product list shown as a window of field
      *> selectors.  F2 lists the products, F5 saves the order (the
      *> total is computed and the order is written to standard output),
      *> F3 (or closing the window, reported as Alt+F4) ends the program.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "KVINIT.CPY".
       COPY "KVFUNC.CPY".
       COPY "ORDMAIN.COB".
       COPY "ORDPICK.COB".
       01  PRODUCT-TABLE.
           05  FILLER PIC X(40) VALUE
               "WID001Widget, small               000950".
           05  FILLER PIC X(40) VALUE
               "WID002Widget, large               002450".
           05  FILLER PIC X(40) VALUE
               "GAD010Gadget                      012500".
           05  FILLER PIC X(40) VALUE
               "SPR100Spring set (20)             000399".
           05  FILLER PIC X(40) VALUE
               "BOL200Bolts M8 (100)              001275".
           05  FILLER PIC X(40) VALUE
               "MOT900Motor unit                  089900".
       01  PRODUCTS REDEFINES PRODUCT-TABLE.
           05  PRODUCT OCCURS 6.
               10  PROD-CODE           PIC X(6).
               10  PROD-NAME           PIC X(28).
               10  PROD-PRICE          PIC 9(4)V99.
      *> Keys that leave the order without checking its required fields.
       01  BAILOUT-KEYS.
           05  BAIL-TAG                PIC X(4) VALUE SPACES.
           05  BAIL-COUNT              PIC S9(4) COMP-5 VALUE 3.
           05  BAIL-F1-CHAR            PIC S9(4) COMP-5 VALUE 0.
           05  BAIL-F1-EXT             PIC S9(4) COMP-5 VALUE 59.
           05  BAIL-F2-CHAR            PIC S9(4) COMP-5 VALUE 0.
           05  BAIL-F2-EXT             PIC S9(4) COMP-5 VALUE 60.
           05  BAIL-F3-CHAR            PIC S9(4) COMP-5 VALUE 0.
           05  BAIL-F3-EXT             PIC S9(4) COMP-5 VALUE 61.
       01  I                           PIC 9.
       01  ITEM-LINE                   PIC X(32).
       01  ORDERS-SAVED                PIC 999 VALUE 0.
       01  SHOW-TOTAL                  PIC -(7)9.99.
       01  SHOW-PRICE                  PIC Z(4)9.99.
       01  TODAY                       PIC 9(8).
       PROCEDURE DIVISION.
           MOVE "Korvexan Orders" TO KV-INIT-TITLE
           MOVE "About Orders" TO KV-INIT-ABOUT-TITLE
           MOVE "Order entry demo" TO KV-INIT-ABOUT-TEXT
           MOVE "ORDERS.INI" TO KV-INIT-INI-FILE
           MOVE "1" TO KV-INIT-ALT-KEY
           MOVE 107 TO KV-INIT-CLOSE-VALUE
           CALL "KORVEXAN" USING KV-INIT-BLOCK OMITTED OMITTED OMITTED
           MOVE 11 TO KV-FUNCTION
           CALL "KORVEXAN" USING KV-FUNCTION BAILOUT-KEYS
                                 OMITTED OMITTED
      *>   The product list: code, name and price of each product.
           PERFORM VARYING I FROM 1 BY 1 UNTIL I > 6
               MOVE PROD-PRICE(I) TO SHOW-PRICE
               MOVE SPACES TO ITEM-LINE
               STRING PROD-CODE(I) " " PROD-NAME(I)(1:16) " "
                      SHOW-PRICE DELIMITED BY SIZE INTO ITEM-LINE
               EVALUATE I
                 WHEN 1 MOVE ITEM-LINE TO PCK-ITEM1
                 WHEN 2 MOVE ITEM-LINE TO PCK-ITEM2
                 WHEN 3 MOVE ITEM-LINE TO PCK-ITEM3
                 WHEN 4 MOVE ITEM-LINE TO PCK-ITEM4
                 WHEN 5 MOVE ITEM-LINE TO PCK-ITEM5
                 WHEN 6 MOVE ITEM-LINE TO PCK-ITEM6
               END-EVALUATE
           END-PERFORM
           PERFORM NEW-ORDER

           PERFORM UNTIL ORDMAIN-EXIT-KEY = 61 OR 107
               CALL "KORVEXAN" USING ORDMAIN-PANEL ORDMAIN-PASS-TO-EXIT
                                     ORDMAIN-WORK-S ORDMAIN-WORK-D
               EVALUATE ORDMAIN-EXIT-KEY
                 WHEN 60
                   PERFORM PICK-PRODUCT
                 WHEN 63
                   PERFORM SAVE-ORDER
                 WHEN 59
                   MOVE "Fill in the order; F2 lists the products, F5"
                     & " saves it." TO ORDMAIN-MENU-MSG
                   MOVE 1 TO ORDMAIN-DISPLAY-OPTION
                 WHEN 13
                   PERFORM COMPUTE-TOTAL
               END-EVALUATE
           END-PERFORM
           DISPLAY "orders saved: " ORDERS-SAVED
           MOVE 15 TO KV-FUNCTION
           CALL "KORVEXAN" USING KV-FUNCTION KV-UNUSED OMITTED OMITTED
           STOP RUN.

       NEW-ORDER.
           MOVE SPACES TO ORD-CUSTNAME ORD-PRODUCT ORD-PRIORITY
           MOVE ZERO TO ORD-CUSTNO ORD-QTY ORD-PRICE ORD-TOTAL
           MOVE "M" TO ORD-PRIORITY
           ACCEPT TODAY FROM DATE YYYYMMDD
           MOVE TODAY(3:6) TO ORD-ORDDATE
           MOVE 1 TO ORDMAIN-CURSOR-FIELD.

       COMPUTE-TOTAL.
           COMPUTE ORD-TOTAL = ORD-QTY * ORD-PRICE.

       PICK-PRODUCT.
      *>   The product window is laid over the order; the screen behind
      *>   it is saved first and put back afterwards.
           MOVE 4 TO KV-FUNCTION
           CALL "KORVEXAN" USING KV-FUNCTION KV-SCREEN-SAVE-AREA
                                 OMITTED OMITTED
           MOVE 1 TO ORDPICK-CURSOR-FIELD
           MOVE 6 TO ORDPICK-OFFSET-ROW
           MOVE 38 TO ORDPICK-OFFSET-COL
           CALL "KORVEXAN" USING ORDPICK-PANEL ORDPICK-PASS-TO-EXIT
                                 ORDPICK-WORK-S ORDPICK-WORK-D
           MOVE 5 TO KV-FUNCTION
           CALL "KORVEXAN" USING KV-FUNCTION KV-SCREEN-SAVE-AREA
                                 OMITTED OMITTED
           IF ORDPICK-EXIT-KEY = 13 AND ORDPICK-CURSOR-FIELD >= 1
                                AND ORDPICK-CURSOR-FIELD <= 6
               MOVE ORDPICK-CURSOR-FIELD TO I
               MOVE PROD-CODE(I) TO ORD-PRODUCT
               MOVE PROD-PRICE(I) TO ORD-PRICE
               PERFORM COMPUTE-TOTAL
               MOVE 5 TO ORDMAIN-CURSOR-FIELD
           ELSE
               MOVE 4 TO ORDMAIN-CURSOR-FIELD
           END-IF.

       SAVE-ORDER.
           PERFORM COMPUTE-TOTAL
           ADD 1 TO ORDERS-SAVED
           MOVE ORD-TOTAL TO SHOW-TOTAL
           DISPLAY "order " ORDERS-SAVED ": customer " ORD-CUSTNO " "
                   FUNCTION TRIM(ORD-CUSTNAME) ", " ORD-QTY " x "
                   ORD-PRODUCT ", priority " ORD-PRIORITY
                   ", date " ORD-ORDDATE ", total " SHOW-TOTAL
           MOVE "Order saved." TO ORDMAIN-MENU-MSG
           MOVE 1 TO ORDMAIN-DISPLAY-OPTION
           PERFORM NEW-ORDER.
