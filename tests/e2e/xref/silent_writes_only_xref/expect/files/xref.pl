#This is a generated file. Do not edit.
$namefield=0; # this field provide the name
$filefield=1; # this field provide the @files index
$linefield=2; # this field provide the line in the file
$scopefield=3;# this field provide the scope. see definition
$typefield=4; #this field provide the @types index or @basetypes index when negative.
$indirectfield=5; #* pointer,  [ array, ........
$lastfield=5;



#scopefield definition
$scopeglobal=0;
$scopelocal=1;
$scopeglobalstatic=2;
$scopelocalstatic=3;
$scopeparameter=4;
$scopelast=4;

#or structure name or structure type involving this member

#used basetypes

@basetypes=("", # unused 
"struct", # -1
"union", # -2
"class", # -3
"enum", # -4
"char", # -5
"signed char", # -6
"unsigned char", # -7
"short int", # -8
"unsigned short int", # -9
"int", # -10
"unsigned int", # -11
"long int", # -12
"unsigned long int", # -13
"long long int", # -14
"unsigned long long int", # -15
"float", # -16
"double", # -17
"long double", # -18
"imaginary", # -19
"complex", # -20
"bool", # -21
"void" # -22
);
@files=(["/home/dev/demo/main.c",0],
      ["/home/dev/demo/include/util.h",0],
      ["/home/dev/demo/util.c",0]);

@types=(["counter_t",1,3,0,-9,""]);

@enums=();

@fields=();

@vars=(["verbosity",0,4,0,-9,""],
      ["argc",0,6,4,-9,""],
      ["argv",0,6,4,-5,"**"],
      ["total",0,8,1,0,""],
      ["n",2,5,4,-9,""],
      ["text",2,12,4,-5,"*"]);

@fcts=(["main",0,6],
      ["factorial",2,5],
      ["log_message",2,12],
      ["unused_helper",2,18]);

1;
