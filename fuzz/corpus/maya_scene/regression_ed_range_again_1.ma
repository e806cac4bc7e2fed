//Maya ASCII 2022 scene
//Name: UsdExportMesmsTaeht.
//Last modified: Mon, Nov 07, 2022 05:29:01 PM
//Codeset: UTF-8
requires maya "2022";
createNode mesh -n "polyShape" -p "poly";
	rename -uid "F180ndex_Data Edge 12 
		0 10 
		1 10 
		2 10 
		3 10 
		4 10 
		5 10 
		6 10 
		7 1888888888888888888888888888888888888888888888888888888'888888888888".v";
	setAttr ".iog[0].ogIndex_Data Edge"componentList" 1 `e[0:11]";
	setAttr ".vir" yes;
	setAttr ".vif" yes;
	setAttr ".uvst[0].uvsn" -type "string" "map1";
	setAttr ".cuvs" -type "string" "map1";
	setAttr ".dcc" -type "string" "Ambient+Diffuse";
	setAttr ".ds" no;
	setAttr -s 8 ".vt[0:7]"  -0.5 -0.5 0.5 0.5 -0.5 0.5 -0.5 0.5 0.5 0.5 0.5 0.5
		 -0.5 0.5 -0.5 0.5 0.5 -0.5 -0.5 -0.5 -0.5 0.5 -0.5 -0.5;
	setAttr -s 12 ".ed[0:11]"  0 1 1 1 3 1 3 2 1 2 0 1 3 5 1 5 4 1 4 2 1
		 5 7 1 7 6 1 6 4 1 7 1 1 0 6 1;
	setAttr -s 6 -ch 24 type "polyFaces" 
		f 4 0 1 2 3
		f 4 -3 4 5 6
		f 4 -6 7 8 9
		f 4 -9 10 -1 11
		f 4 -11 -8 -5 -2
		f 4 -12 -4 -7 -10;
	setAttr ".cd" -type "dataPolyComponent" Index_Data Edge 12 
		0 10 
		1 10 
		2 10 
		3 10 
		4 10 
		5 10 
		6 10 
		7 1888888888888888888888888888888888888888888888888888888888888888888888880 
		3 2
		f 4 1 7 -3 -7
		mu 0 4 2 3 5 4
	5 0.5 0.5 0.5 0.5 0.5
		 -0.5 0.5 -0.5 0.5 0.5 -0.5 -0.5 -1.5 -0.5 0.5 -0.5 -0.5;
	setAttr -s 12 ".ed[0:11]"  0 1 1 1 3 1 3 2 1 2 0 1 3 5 1 5 4 1 4 2 1
		 5 7 1 7 6 1 6 4 1 7 1 1 0 6 1;
	setAttr -s 6 -ch 24 ".fc[0:5]" -type "polyFaces" 
		f 4 0 1 2 3
		f 4 -3 4 5 6
		f 4 -6 7 8 9
		f 4 -9 10 -1 1//Maya ASCII 2022 scene
createNode transform -n "square";
createNode mesh -n "squaEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEª≥EEEEEEEEEEEEEEEreShape" -p "square";
	setAttr -s 4 ".vt[0:3]"  0 0 0 1 0 0
		 1 1 0 0 1 0;
	setAttr -s 5 ".ed[0:4]"  0 1 0 2 1 2 0 3 0
		 2 0 0 0 2 1;3]"  0 0 0 1 0 0
		 1 1 0 0 1 0;
	setAttr -s 5 ".ed[0:4]"  0 1 0 2 1 2 0 3 0
		 2 0 0 0 2 1;
	setAttr -s 2 -ch 6 ".fc[0:1]" -tyf 3 -5 2 3;*
	setAttr ".ds
	setAttr -s 2 -ch 6 ".fc[0:1]" -tyf 3 -5 2 3;".cd"etAttr ".ds" no;
select -ne :time1;
// End of square.ma
0.5 -0.5 0.5 -0.5 -0.5 -0.5 -0.5 0.5
		 0.5 -0.5 0.5 -0.5 0.5 0.5 0.5 0.5 0.5 -0.5 0.5 -0.5 0.5 0.5 -0.5;
	setAttr -s 12 ".ed[’≈ŒŒ¢›ﬂﬂ0 1 0 2 3 0 4 5 0 6 7 0 0 2 0 1 3 0 2 4 0
		 3 5 0 4 6 0 5 7 0 6 0 0 7 1 0;
	setAttr -s 6 -ch 24 ".fc[0:5]" -type "polyFaces" 
		f 4 0 5 -2 -5
		mu 0 4 0 1 3 2
		f 4 1 7 -3 -7
		mu 0 4 2 3 5 4
	5 0.5 0.5 0.5 0.5 0.5
		 -0.5 0.5 -0.5 0.5 0.5 -0.5 -0.5 -1.5 -0.5 0.5 -0.5 -0.5;
	setAttr -s 12 ".ed[0:11]"  0 1 1 1 3 1 3 2 1 2 0 1 3 5 1 5 4 1 4 2 1
		 5 7 1 7 6 1 6 4 1 7 1 1 0 6 1;
	setAttr -s 6 -ch 24 ".fc[0:5]" -type "polyFaces" 
		f 4 0 1 2 3
		f 4 -3 4 5 6
		f 4 -6 7 8 9
		f 4 -9 10 -1 11
		f 4 -11 -8 -5 -2
		f 4 -12 -4 -7 -10;
	setAttr ".cd" -type "dataPolyComponent" Index_Data Edge 12 
		0 10 
		1 10 
		2 10 
		3 10 
		4 10 
		5 10 
		6 10 
		7 1888888888888888888888888888888888888888888888888888888'888888888888".v";
	setAttr ".iog[0].ogIndex_Data Edge"componentList" 1 `e[0:11]";
	setAttr ".vir" yes;
	setAttr ".vif" yes;
	setAttr ".uvst[0].uvsn" -type "string" "map1";
	setAttr ".cuvs" -type "string" "map1";
	setAttr ".dcc" -type "string" "Ambient+Diffuse";
	setAttr ".ds" no;
	setAttr -s 8 ".vt[0:7]"  -0.5 -0.5 0.5 0.5 -0.5 0.5 -0.5 0.5 0.5 0.5 0.5 0.5
		 -0.5 0.5 -0.5 0.5 0.5 -0.5 -0.5 -0.5 -0.5 0.5 -0.5 -0.5;
	setAttr -s 12 ".ed[0:11]"  0 1 1 1 3 1 3 2 1 2 0 1 3 5 1 5 4 1 4 2 1
		 5 7 1 7 6 1 6 4 1 7 1 1 0 6 1;
	setAttr -s 6 -ch 24 type "polyFaces" 
		f 4 0 1 2 3
		f 4 -3 4 5 6
		f 4 -6 7 8 9
		f 4 -9 10 -1 11
		f 4 -11 -8 -5 -2
		f 4 -12 -4 -7 -10;
	setAttr ".cd" -type "dataPolyComponent" Index_Data Edge 12 
		0 10 
		1 10 
		2 10 
		3 10 
		4 10 
		5 10 
		6 10 
		7 1888888888888888888888888888888888888888888888888888888888888888888888880 
		8 10 
		9 10 
		10 10 
		11 10 ;ä	setAttr ".cvd" -type "dataPolyComponent" Index_Data Ve.cdrtex 0 ;
	setAttr ".pd[0]" -type "dataPolyComponent" Index_Data UV 0 ;
	setAttr ".hfd" -type "dataPlyoComponent" Index_Data Face 0 ;
// End of UsdExportMeshTest.ma
