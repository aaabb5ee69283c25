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
@files=(["/src/u1.c",0],
      ["/inc/shared.h",0],
      ["/inc/inner.h",0],
      ["/src/u2.c",0],
      ["/src/u3.c",0],
      ["/src/u4.c",0],
      ["/src/u5.c",0],
      ["/src/u6.c",0],
      ["/src/u7.c",0],
      ["/src/u8.c",0],
      ["/src/u9.c",0]);

@types=();

@enums=();

@fields=();

@vars=(["shared_a",1,1,2,-10,""],
      ["shared_b",1,2,2,-10,""],
      ["inner_a",2,1,2,-10,""],
      ["shared_c_long",1,4,2,-10,""],
      ["shared_x",1,2,2,-10,""],
      ["shared_c",1,4,2,-10,""],
      ["shared_b",6,2,2,-10,""],
      ["shared_a",1,2,2,-10,""],
      ["shared_b",1,3,2,-10,""],
      ["shared_c_long",1,5,2,-10,""]);

@fcts=(["unit1",0,4],
      ["shared_b",-1,0],
      ["unit2",3,4],
      ["unit3",4,4],
      ["unit4",5,4],
      ["unit5",6,4],
      ["unit6",7,4],
      ["unit7",8,4],
      ["unit8",9,4],
      ["unit9",10,4]);

1;
